#include "platform/clipboard_writer.h"

#include "clipboard/clip_text.h"
#include "clipboard/uri_list.h"

#include <wx/dataobj.h>

namespace {

wxCustomDataObject* Custom(const char* format, const void* data, size_t size)
{
    auto* object = new wxCustomDataObject(wxDataFormat(format));
    object->SetData(size, data);
    return object;
}

}  // namespace

bool PutTextOnClipboard(const std::string& bytes)
{
    // Raw bytes, since the toolkit's own text object stops at a NUL. Only
    // the forms that carry them untouched: GTK programs ask for the
    // text/plain forms first and turn every line end they get there into
    // LF, and fall back to UTF8_STRING, which they take as it is. Programs
    // that know only Latin-1 get it where the text fits.
    auto* text = new wxDataObjectComposite();
    text->Add(Custom("UTF8_STRING", bytes.data(), bytes.size()), true);
    if (std::optional<std::string> latin1 = Utf8ToLatin1(bytes))
        text->Add(Custom("STRING", latin1->data(), latin1->size()));
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
