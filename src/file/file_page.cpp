#include "file/file_page.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "ui/record_browser.h"
#include "platform/accessible.h"
#include "platform/clipboard_connection.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <vector>

wxBEGIN_EVENT_TABLE(FilePage, wxPanel)
    EVT_BUTTON(FilePage::ID_NEXT, FilePage::OnNext)
    EVT_BUTTON(FilePage::ID_PREVIOUS, FilePage::OnPrevious)
    EVT_BUTTON(FilePage::ID_COPY, FilePage::OnCopy)
    EVT_BUTTON(FilePage::ID_COPY_ORIGINAL_LOCATION, FilePage::OnCopyOriginalLocation)
    EVT_BUTTON(FilePage::ID_COPY_STORED_LOCATION, FilePage::OnCopyStoredLocation)
wxEND_EVENT_TABLE()

namespace {

const char kWhat[] = "files";


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
    browse.spoken = [this](size_t index) { return m_files[index].name; };
    browse.positionAt = RecordBrowser::PositionAt::Later;
    m_browser = std::make_unique<RecordBrowser>(this, std::move(browse));
    m_copyButton = new wxButton(this, ID_COPY, "Copy to Clipboard");
    m_browser->MakePositionLabel();
    // Each detail beside its caption: the short ones in one grid, the two
    // locations, with their boxes and buttons, in another below.
    auto* details = new wxFlexGridSizer(2, 0, kRowGap);
    std::vector<wxStaticText*> captions;
    auto detail = [&](const char* caption) {
        captions.push_back(MakeLabel(this, caption));
        details->Add(captions.back());
        auto* value = new ReadableLabel(this, caption);
        details->Add(value);
        return value;
    };
    m_nameValue = detail("Name:");
    const int line = LabelTextSize(m_nameValue->GetPrevSibling()).y;
    m_sizeValue = detail("Size:");
    m_typeValue = detail("File Type:");
    details->Add(0, line);  // a blank line
    details->Add(0, line);
    m_createdValue = detail("Created:");
    m_modifiedValue = detail("Modified:");
    m_accessedValue = detail("Accessed:");

    auto* locations = new wxFlexGridSizer(3, line / 2, kRowGap);
    locations->AddGrowableCol(1);
    auto location = [&](const char* caption, int copyId, wxTextCtrl*& box, wxButton*& copy) {
        locations->Add(MakeLabel(this, caption), 0, wxALIGN_CENTER_VERTICAL);
        box = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
        SetLabelFont(box);
        // As high as two lines of captions, a little less to keep the two apart.
        box->SetMinSize(wxSize(-1, std::min(box->GetBestSize().y, 2 * line - 4)));
        locations->Add(box, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
        copy = new wxButton(this, copyId, "Copy", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        copy->SetMinSize(wxSize(std::max(copy->GetBestSize().x, 50), -1));
        locations->Add(copy, 0, wxALIGN_CENTER_VERTICAL);
    };
    location("Original Location:", ID_COPY_ORIGINAL_LOCATION, m_originalLocationBox, m_originalCopyButton);
    location("Quillory Location:", ID_COPY_STORED_LOCATION, m_storedLocationBox, m_storedCopyButton);
    // Each box is named by its caption; the two buttons read "Copy" alike.
    SetAccessibleName(m_originalCopyButton, "Copy original location");
    SetAccessibleName(m_storedCopyButton, "Copy stored location");
    // Tab goes through the two boxes first, then their two buttons, as
    // before the grid put each button beside its box.
    m_originalCopyButton->MoveAfterInTabOrder(m_storedLocationBox);

    auto* page = new wxBoxSizer(wxVERTICAL);
    page->AddSpacer(10);
    page->Add(CentredRow(m_browser->CountLabel()), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(BrowseRow(m_browser->PreviousButton(), m_browser->PositionLabel(), m_browser->NextButton()), 0,
              wxEXPAND);
    page->AddSpacer(kRowGap);
    page->Add(details, 0, wxLEFT | wxRIGHT, kBrowseMargin);
    page->AddSpacer(line / 2);
    page->Add(locations, 0, wxEXPAND | wxLEFT | wxRIGHT, kBrowseMargin);
    page->AddSpacer(kRowGap);
    page->Add(CentredRow(m_copyButton), 0, wxEXPAND);
    page->AddSpacer(kRowGap);
    SetSizer(page);

    // A caption beside its value is read in the value's name.
    for (wxStaticText* caption : captions)
        LinkLabel(caption, nullptr);
    m_browser->LabelsNameNothing();
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
    m_nameValue->SetValue(record.name);
    m_sizeValue->SetValue(record.size);
    m_typeValue->SetValue(record.type);
    m_createdValue->SetValue(record.created);
    m_modifiedValue->SetValue(record.modified);
    m_accessedValue->SetValue(record.accessed);
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
    if (m_clipboard)
        SayCopied(this, m_clipboard->PutFiles({record.storedCopy.empty() ? record.path : record.storedCopy}));
}

void FilePage::OnCopyOriginalLocation(wxCommandEvent&)
{
    // The path's own bytes: the box shows a path that is no UTF-8 only
    // approximately. The boxes are read-only, so they always show these.
    if (!m_clipboard)
        return;
    if (std::optional<size_t> index = m_browser->Current())
        SayCopied(this, m_clipboard->PutText(MakeSharedText(m_files[*index].path.u8string())));
    else
        SayCopied(this, m_clipboard->PutText(MakeSharedText(m_originalLocationBox->GetValue().utf8_string())));
}

void FilePage::OnCopyStoredLocation(wxCommandEvent&)
{
    if (!m_clipboard)
        return;
    if (std::optional<size_t> index = m_browser->Current())
        SayCopied(this, m_clipboard->PutText(MakeSharedText(m_files[*index].storedCopy.u8string())));
    else
        SayCopied(this, m_clipboard->PutText(MakeSharedText(m_storedLocationBox->GetValue().utf8_string())));
}

