#include "platform/clipboard_reader.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/timer.h>

namespace {

// For toolkit ports without an asynchronous clipboard: asks the toolkit's
// clipboard for text and file names on a timer. The toolkit's reads are
// synchronous, so the period is kept long.
class PollingClipboardReader : public ClipboardReader, public wxTimer
{
public:
    explicit PollingClipboardReader(Deliver deliver) : m_deliver(std::move(deliver))
    {
        Notify();
        wxTimer::Start(500);
    }

    void Stop() override { wxTimer::Stop(); }

    void Notify() override
    {
        if (wxTheClipboard->IsOpened() || !wxTheClipboard->Open())
            return;
        ClipSnapshot snapshot;
        if (wxTheClipboard->IsSupported(wxDF_FILENAME))
        {
            wxFileDataObject files;
            if (wxTheClipboard->GetData(files))
            {
                std::vector<std::filesystem::path> paths;
                for (const wxString& name : files.GetFilenames())
                    paths.emplace_back(name.fn_str().data());
                if (!paths.empty())
                    snapshot = ClipSnapshot::OfFiles(std::move(paths));
            }
        }
        else if (wxTheClipboard->IsSupported(wxDF_TEXT) || wxTheClipboard->IsSupported(wxDF_UNICODETEXT))
        {
            wxTextDataObject text;
            if (wxTheClipboard->GetData(text))
                snapshot = ClipSnapshot::OfText(text.GetText().utf8_string());
        }
        wxTheClipboard->Close();
        m_deliver(std::move(snapshot));
    }

private:
    Deliver m_deliver;
};

}  // namespace

std::unique_ptr<ClipboardReader> ClipboardReader::Create(Deliver deliver)
{
#if QUILLORY_GTK_READER
    return CreateGtkClipboardReader(std::move(deliver));
#else
    return std::make_unique<PollingClipboardReader>(std::move(deliver));
#endif
}
