#include "file/file_page.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "ui/record_browser.h"
#include "platform/clipboard_writer.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

wxBEGIN_EVENT_TABLE(FilePage, wxPanel)
    EVT_BUTTON(FilePage::ID_NEXT, FilePage::OnNext)
    EVT_BUTTON(FilePage::ID_PREVIOUS, FilePage::OnPrevious)
    EVT_BUTTON(FilePage::ID_COPY, FilePage::OnCopy)
    EVT_BUTTON(FilePage::ID_COPY_ORIGINAL_LOCATION, FilePage::OnCopyOriginalLocation)
    EVT_BUTTON(FilePage::ID_COPY_STORED_LOCATION, FilePage::OnCopyStoredLocation)
wxEND_EVENT_TABLE()

namespace {

const char kWhat[] = "files";

const char kCaptions[] = "Name:\nSize:\nFile Type:\n\nCreated:\nModified:\nAccessed:\n\nOriginal Location:\n\nQuillory Location:";
constexpr int kCaptionLines = 11;
// The caption lines the values stand beside, counted from 0.
constexpr int kNameLine = 0, kSizeLine = 1, kTypeLine = 2, kCreatedLine = 4, kModifiedLine = 5, kAccessedLine = 6,
              kOriginalLine = 8, kStoredLine = 10;

wxStaticText* MakeLabel(wxWindow* parent, const wxString& text = wxEmptyString)
{
    auto* label = new wxStaticText(parent, wxID_ANY, text);
    SetLabelFont(label);
    return label;
}

}  // namespace

FilePage::FilePage(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER)
{
    RecordBrowser::Setup browse;
    browse.previousId = ID_PREVIOUS;
    browse.nextId = ID_NEXT;
    browse.what = kWhat;
    browse.count = [this] { return m_files.size(); };
    browse.show = [this](size_t index) { ShowRecord(index); };
    m_browser = std::make_unique<RecordBrowser>(this, std::move(browse));
    m_copyButton = new wxButton(this, ID_COPY, "Copy to Clipboard");
    m_captionsLabel = MakeLabel(this, kCaptions);
    m_nameValue = MakeLabel(this);
    m_sizeValue = MakeLabel(this);
    m_typeValue = MakeLabel(this);
    m_createdValue = MakeLabel(this);
    m_modifiedValue = MakeLabel(this);
    m_accessedValue = MakeLabel(this);
    m_originalLocationBox = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                           wxTE_READONLY);
    SetLabelFont(m_originalLocationBox);
    m_storedLocationBox = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                         wxTE_READONLY);
    SetLabelFont(m_storedLocationBox);
    m_originalCopyButton = new wxButton(this, ID_COPY_ORIGINAL_LOCATION, "Copy", wxDefaultPosition,
                                        wxDefaultSize, wxBU_EXACTFIT);
    m_storedCopyButton = new wxButton(this, ID_COPY_STORED_LOCATION, "Copy", wxDefaultPosition, wxDefaultSize,
                                      wxBU_EXACTFIT);

    // The details block is placed by hand beside the lines of the captions
    // label; the sizer only keeps room for it.
    wxSize captions = LabelTextSize(m_captionsLabel);
    int line = captions.y / kCaptionLines;
    int boxHeight = std::max(m_originalLocationBox->GetBestSize().y, m_originalCopyButton->GetBestSize().y);
    int below = std::max(0, boxHeight / 2 - line / 2) + kRowGap;

    auto* page = new wxBoxSizer(wxVERTICAL);
    page->AddSpacer(10);
    page->Add(CentredRow(m_browser->CountLabel()), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(BrowseRow(m_browser->PreviousButton(), m_browser->PositionLabel(), m_browser->NextButton()), 0,
              wxEXPAND);
    page->AddSpacer(kRowGap);
    m_detailsArea = page->Add(captions.x + 300, captions.y + below, 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    SetSizer(page);
}

bool FilePage::Layout()
{
    bool done = wxPanel::Layout();
    PlaceDetails();
    return done;
}

void FilePage::PlaceDetails()
{
    if (!m_detailsArea)
        return;
    const wxPoint origin(kBrowseMargin, m_detailsArea->GetPosition().y);
    const int right = GetClientSize().x - kBrowseMargin;
    wxSize captions = LabelTextSize(m_captionsLabel);
    const int line = captions.y / kCaptionLines;
    m_captionsLabel->SetSize(origin.x, origin.y, captions.x, captions.y);

    // Values start after the widest of the short captions; the location
    // boxes after the long ones.
    wxString lines[kCaptionLines];
    {
        wxString rest = kCaptions;
        for (int i = 0; i < kCaptionLines; ++i)
        {
            lines[i] = rest.BeforeFirst('\n');
            rest = rest.AfterFirst('\n');
        }
    }
    int shortWidth = 0;
    for (int i = kNameLine; i <= kAccessedLine; ++i)
        shortWidth = std::max(shortWidth, m_captionsLabel->GetTextExtent(lines[i]).x);
    const int valueX = origin.x + shortWidth + kRowGap;
    const int boxX = origin.x + std::max(m_captionsLabel->GetTextExtent(lines[kOriginalLine]).x,
                                         m_captionsLabel->GetTextExtent(lines[kStoredLine]).x) + kRowGap;

    const std::pair<wxStaticText*, int> values[] = {{m_nameValue, kNameLine},         {m_sizeValue, kSizeLine},
                                                    {m_typeValue, kTypeLine},         {m_createdValue, kCreatedLine},
                                                    {m_modifiedValue, kModifiedLine}, {m_accessedValue, kAccessedLine}};
    for (const auto& [label, index] : values)
    {
        wxSize size = LabelTextSize(label);
        label->SetSize(valueX, origin.y + index * line, std::min(size.x, right - valueX), size.y);
    }

    const std::pair<wxTextCtrl*, wxButton*> rows[] = {{m_originalLocationBox, m_originalCopyButton},
                                                      {m_storedLocationBox, m_storedCopyButton}};
    const int lineIndex[] = {kOriginalLine, kStoredLine};
    for (int i = 0; i < 2; ++i)
    {
        wxSize button = rows[i].second->GetBestSize();
        button.x = std::max(button.x, 50);
        // Two caption lines hold a box; a little less keeps the two apart.
        int height = std::min(rows[i].first->GetBestSize().y, 2 * line - 4);
        int centre = origin.y + lineIndex[i] * line + line / 2;
        rows[i].second->SetSize(right - button.x, centre - button.y / 2, button.x, button.y);
        rows[i].first->SetSize(boxX, centre - height / 2, right - button.x - kRowGap - boxX, height);
    }
}

void FilePage::AddFile(FileRecord file)
{
    m_files.push_back(std::move(file));
    m_browser->RecordsAdded();
}

FilePage::~FilePage() = default;

void FilePage::OnNext(wxCommandEvent&)
{
    m_browser->Next();
}

void FilePage::OnPrevious(wxCommandEvent&)
{
    m_browser->Previous();
}

void FilePage::ShowRecord(size_t index)
{
    const FileRecord& record = m_files[index];
    m_nameValue->SetLabel(record.name);
    m_sizeValue->SetLabel(record.size);
    m_typeValue->SetLabel(record.type);
    m_createdValue->SetLabel(record.created);
    m_modifiedValue->SetLabel(record.modified);
    m_accessedValue->SetLabel(record.accessed);
    m_originalLocationBox->SetValue(record.pathText);
    m_storedLocationBox->SetValue(record.storedCopyText);
    Layout();
}

void FilePage::OnCopy(wxCommandEvent&)
{
    std::optional<size_t> index = m_browser->Current();
    if (!index)
        return;
    const FileRecord& record = m_files[*index];
    // Without a stored copy, the file the user copied is what they get back.
    PutFilesOnClipboard({record.storedCopy.empty() ? record.path : record.storedCopy});
}

void FilePage::OnCopyOriginalLocation(wxCommandEvent&)
{
    // The path's own bytes: the box shows a path that is no UTF-8 only
    // approximately. The boxes are read-only, so they always show these.
    if (std::optional<size_t> index = m_browser->Current())
        PutTextOnClipboard(m_files[*index].path.native());
    else
        PutTextOnClipboard(m_originalLocationBox->GetValue().utf8_string());
}

void FilePage::OnCopyStoredLocation(wxCommandEvent&)
{
    if (std::optional<size_t> index = m_browser->Current())
        PutTextOnClipboard(m_files[*index].storedCopy.native());
    else
        PutTextOnClipboard(m_storedLocationBox->GetValue().utf8_string());
}

