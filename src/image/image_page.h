#pragma once

#include "ui/browse.h"
#include "ui/page_layout.h"
#include "image/image_record.h"

#include <wx/panel.h>

#include <vector>

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

    // Appends the image unless it is narrower or lower than 5 pixels; the
    // view stays where it is.
    void AddImage(ImageRecord image);

    const std::vector<ImageRecord>& Images() const { return m_images; }

    void OnNext(wxCommandEvent& event);
    void OnPrevious(wxCommandEvent& event);
    void OnCopy(wxCommandEvent& event);

private:
    void ShowRecord();

    std::vector<ImageRecord> m_images;
    wxStaticText* m_countLabel;
    wxStaticText* m_positionLabel;
    wxButton* m_nextButton;
    wxButton* m_previousButton;
    wxButton* m_copyButton;
    wxPanel* m_previewBox;
    wxStaticBitmap* m_preview;
    BrowsePosition m_position;
    DeferredRefresh m_countRefresh;

    wxDECLARE_EVENT_TABLE();
};
