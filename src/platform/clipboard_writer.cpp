#include "platform/clipboard_writer.h"

#include "capture/uri_list.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

namespace {

wxCustomDataObject* Custom(const char* format, const void* data, size_t size)
{
    auto* object = new wxCustomDataObject(wxDataFormat(format));
    object->SetData(size, data);
    return object;
}

}  // namespace

bool PutOnClipboard(wxDataObject* data)
{
    // Opening it twice is an error of the toolkit's; a second click while
    // the first is still writing simply does nothing.
    if (wxTheClipboard->IsOpened() || !wxTheClipboard->Open())
    {
        delete data;
        return false;
    }
    wxTheClipboard->SetData(data);
    wxTheClipboard->Close();
    return true;
}

bool PutTextOnClipboard(const std::string& bytes)
{
    // Offered as raw bytes under each name, since the toolkit's own text
    // object stops at a NUL and its plain-text forms rewrite line ends.
    auto* text = new wxDataObjectComposite();
    text->Add(Custom("UTF8_STRING", bytes.data(), bytes.size()), true);
    text->Add(Custom("text/plain;charset=utf-8", bytes.data(), bytes.size()));
    text->Add(Custom("TEXT", bytes.data(), bytes.size()));
    text->Add(Custom("text/plain", bytes.data(), bytes.size()));
    return PutOnClipboard(text);
}

bool PutFilesOnClipboard(const std::vector<std::filesystem::path>& files)
{
    std::string uriList, gnome = "copy";
    for (const std::filesystem::path& file : files)
    {
        std::string uri = FileUri(file);
        uriList += uri + "\r\n";
        gnome += "\n" + uri;
    }
    auto* data = new wxDataObjectComposite();
    data->Add(Custom("text/uri-list", uriList.data(), uriList.size()), true);
    data->Add(Custom("x-special/gnome-copied-files", gnome.data(), gnome.size()));
    return PutOnClipboard(data);
}

bool PutPngOnClipboard(const std::vector<unsigned char>& png)
{
    return PutOnClipboard(Custom("image/png", png.data(), png.size()));
}
