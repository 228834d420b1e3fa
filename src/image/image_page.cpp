#include "image/image_page.h"

#include "imaging/image_codec.h"
#include "imaging/png_converter.h"
#include "ui/labels.h"
#include "ui/page_layout.h"
#include "ui/record_browser.h"
#include "platform/accessible.h"
#include "platform/clipboard_connection.h"

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

// A picture to look at, not a place for the keyboard: Tab passes it by.
class PictureBox : public wxPanel
{
public:
    PictureBox(wxWindow* parent, const wxSize& size)
        : wxPanel(parent, wxID_ANY, wxDefaultPosition, size, wxNO_BORDER)
    {
    }
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

}  // namespace

ImagePage::ImagePage(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER)
{
    RecordBrowser::Setup browse;
    browse.previousId = ID_PREVIOUS;
    browse.nextId = ID_NEXT;
    browse.what = kWhat;
    browse.count = [this] { return m_images.size(); };
    browse.show = [this](size_t index) { ShowRecord(index); };
    browse.spoken = [this](size_t index) { return ImageDescription(m_images[index]); };
    m_browser = std::make_unique<RecordBrowser>(this, std::move(browse));
    // The box keeps its place and size whatever the record shown; the
    // preview inside it is drawn from its top-left corner.
    const wxSize box(kPreviewBoxWidth, kPreviewBoxHeight);
    m_previewBox = new PictureBox(this, box);
    m_previewBox->SetMinSize(box);
    m_preview = new wxStaticBitmap(m_previewBox, wxID_ANY, wxNullBitmap, wxPoint(0, 0), box);
    m_copyButton = new wxButton(this, ID_COPY, "Copy to Clipboard");

    auto* page = new wxBoxSizer(wxVERTICAL);
    page->AddSpacer(10);
    page->Add(CentredRow(m_browser->CountLabel()), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(BrowseRow(m_browser->PreviousButton(), m_browser->PositionLabel(), m_browser->NextButton()), 0,
              wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_previewBox), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    SetSizer(page);
    m_browser->LabelsNameNothing();
}

wxString ImageDescription(const ImageRecord& image)
{
    return wxString::Format("Image, %d by %d", image.width, image.height);
}

bool AcceptsImageSize(int width, int height)
{
    return width > 4 && height > 4;
}

void ImagePage::AddImage(ImageRecord image)
{
    if (!AcceptsImageSize(image.width, image.height))
        return;
    m_images.push_back(std::move(image));
    m_browser->RecordsAdded();
}

bool ImagePage::StopConverting()
{
    return !m_converter || m_converter->Stop(std::chrono::steady_clock::now());
}

ImagePage::~ImagePage()
{
    // Joined while the page can still take the result it may be posting.
    m_converter.reset();
}

void ImagePage::OnNext(wxCommandEvent&)
{
    m_browser->Next();
}

void ImagePage::OnPrevious(wxCommandEvent&)
{
    m_browser->Previous();
}

void ImagePage::ShowRecord(size_t index)
{
    const ImageRecord& record = m_images[index];
    std::optional<wxImage> preview = DecodeImage(*record.preview);
    wxBitmap bitmap = preview ? wxBitmap(*preview) : wxNullBitmap;
    m_preview->SetBitmap(wxNullBitmap);
    m_preview->SetBitmap(bitmap);
    m_preview->SetSize(0, 0, bitmap.IsOk() ? bitmap.GetWidth() : 0, bitmap.IsOk() ? bitmap.GetHeight() : 0);
    ExposeAsImage(m_preview, ImageDescription(record));
}

void ImagePage::OnCopy(wxCommandEvent&)
{
    std::optional<size_t> index = m_browser->Current();
    if (!index)
        return;
    const ImageRecord& record = m_images[*index];
    if (record.format == ImageFormat::Png)
    {
        // As it is kept: no decoding and re-encoding of a large image.
        m_copyRequest = 0;
        if (m_clipboard)
            SayCopied(this, m_clipboard->PutPng(record.data, record.forms));
        return;
    }
    if (!m_converter)
    {
        m_converter = std::make_unique<PngConverter>([this](std::uint64_t request, SharedBytes png) {
            CallAfter([this, request, png = std::move(png)] {
                // A later copy has taken its place: the user asked for that one.
                if (request != m_copyRequest)
                    return;
                m_copyRequest = 0;
                if (m_clipboard)
                    SayCopied(this, png && m_clipboard->PutPng(png, m_copyForms));
            });
        });
    }
    m_copyForms = record.forms;
    m_copyRequest = m_converter->Convert(record);
}
