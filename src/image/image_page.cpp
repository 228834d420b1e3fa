#include "image/image_page.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "platform/clipboard_writer.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

wxBEGIN_EVENT_TABLE(ImagePage, wxPanel)
    EVT_BUTTON(ImagePage::ID_NEXT, ImagePage::OnNext)
    EVT_BUTTON(ImagePage::ID_PREVIOUS, ImagePage::OnPrevious)
    EVT_BUTTON(ImagePage::ID_COPY, ImagePage::OnCopy)
wxEND_EVENT_TABLE()

namespace {

const char kWhat[] = "images";

}  // namespace

ImagePage::ImagePage(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER),
      m_countRefresh(this, [this] {
          m_countLabel->SetLabel(AsciiLabel(CountLabelText(m_images.size(), kWhat)));
          Layout();
      })
{
    m_countLabel = new wxStaticText(this, wxID_ANY, AsciiLabel(CountLabelText(0, kWhat)));
    SetLabelFont(m_countLabel);
    m_previousButton = new wxButton(this, ID_PREVIOUS, "<< Previous");
    m_nextButton = new wxButton(this, ID_NEXT, "Next >>");
    m_positionLabel = new wxStaticText(this, wxID_ANY, AsciiLabel(PositionLabelText(0)));
    SetLabelFont(m_positionLabel);
    // The box keeps its place and size whatever the record shown; the
    // preview inside it is drawn from its top-left corner.
    const wxSize box(kPreviewBoxWidth, kPreviewBoxHeight);
    m_previewBox = new wxPanel(this, wxID_ANY, wxDefaultPosition, box, wxNO_BORDER);
    m_previewBox->SetMinSize(box);
    m_preview = new wxStaticBitmap(m_previewBox, wxID_ANY, wxNullBitmap, wxPoint(0, 0), box);
    m_copyButton = new wxButton(this, ID_COPY, "Copy to Clipboard");

    auto* page = new wxBoxSizer(wxVERTICAL);
    page->AddSpacer(10);
    page->Add(CentredRow(m_countLabel), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(BrowseRow(m_previousButton, m_positionLabel, m_nextButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_previewBox), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    SetSizer(page);
}

void ImagePage::AddImage(ImageRecord image)
{
    if (!AcceptsImageSize(image.width, image.height))
        return;
    m_images.push_back(std::move(image));
    m_countRefresh.Request();
}

void ImagePage::OnNext(wxCommandEvent&)
{
    if (m_position.Next(m_images.size()))
        ShowRecord();
}

void ImagePage::OnPrevious(wxCommandEvent&)
{
    if (m_position.Previous())
        ShowRecord();
}

void ImagePage::ShowRecord()
{
    m_positionLabel->SetLabel(AsciiLabel(PositionLabelText(m_position.Position())));
    Layout();
    const ImageRecord& record = m_images[m_position.Position() - 1];
    std::optional<wxImage> preview = DecodeImage(*record.previewPng);
    wxBitmap bitmap = preview ? wxBitmap(*preview) : wxNullBitmap;
    m_preview->SetBitmap(wxNullBitmap);
    m_preview->SetBitmap(bitmap);
    m_preview->SetSize(0, 0, bitmap.IsOk() ? bitmap.GetWidth() : 0, bitmap.IsOk() ? bitmap.GetHeight() : 0);
}

void ImagePage::OnCopy(wxCommandEvent&)
{
    if (m_position.Position() == 0)
        return;
    // The full-size record, in the PNG it is kept as: no decoding and
    // re-encoding of a large image on the GUI thread.
    const ImageRecord& record = m_images[m_position.Position() - 1];
    PutPngOnClipboard(*record.png);
}
