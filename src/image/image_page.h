#pragma once

#include "imaging/image_record.h"

#include <wx/panel.h>

#include <cstdint>
#include <memory>
#include <vector>

// The page keeps only images at least 5 pixels wide and 5 high.
bool AcceptsImageSize(int width, int height);

// What a screen reader says a recorded picture is: "Image, 1920 by 1080".
class wxString;
wxString ImageDescription(const ImageRecord& image);

class ClipboardConnection;
class PngConverter;
class RecordBrowser;
class wxButton;
class wxStaticBitmap;
class wxStaticText;

// The "Images" tab: every recorded image, previewed scaled into a fixed box
// and put back on the clipboard at full size.
class ImagePage : public wxPanel
{
public:
    enum
    {
        ID_NEXT = 5999,
        ID_PREVIOUS = 6000,
        ID_COPY = 6001
    };

    explicit ImagePage(wxWindow* parent);
    ~ImagePage() override;

    // Appends the image unless it is narrower or lower than 5 pixels; the
    // view stays where it is.
    void AddImage(ImageRecord image);

    // Where the copy button puts records back; none until it is set.
    void SetClipboard(ClipboardConnection* clipboard) { m_clipboard = clipboard; }

    const std::vector<ImageRecord>& Images() const { return m_images; }

    // Lets go at once of an image being made into a PNG for the clipboard;
    // false when one was under way.
    bool StopConverting();

private:
    void OnNext(wxCommandEvent& event);
    void OnPrevious(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);

    void ShowRecord(size_t index);

    std::vector<ImageRecord> m_images;
    ClipboardConnection* m_clipboard = nullptr;
    std::unique_ptr<RecordBrowser> m_browser;
    std::unique_ptr<PngConverter> m_converter;  // made at the first copy of an image kept as JPEG
    std::uint64_t m_copyRequest = 0;  // the conversion whose PNG the last copy waits for; 0: none
    SharedForms m_copyForms;          // the other forms of the image it is for
    wxButton* m_copyButton;
    wxPanel* m_previewBox;
    wxStaticBitmap* m_preview;

    wxDECLARE_EVENT_TABLE();
};
