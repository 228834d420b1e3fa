#include "dialogs/about_dialogs.h"

#include "ui/labels.h"
#include "ui/page_layout.h"
#include "platform/accessible.h"
#include "platform/display_backend.h"
#include "platform/program_paths.h"

#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {

// The texts of the two dialogs, joined from their pieces.
const char* const kAboutSoftwareBody =
    "Quillory v1.0\n\n"
    "This application is designed to record any activity on the clipboard.\n"
    "It records text, images and files, and is able to back them up\nautomatically,"
    "automatically keeping them in an easy-to-navigate and\nsearchable environment.\n\n"
    "Built in C++17 with the wxWidgets 3.2 toolkit (%PORT%).\n\n"
    "Made by the Quillory developers.";

const char* const kAboutAuthorBody =
    "About Me!\n\n"
    "Nothing boring like \"I want you to donate to me\" ~ because who\n"
    "would, honestly? It's free software~! Keep it that way!\n\n"
    "Instead, I'm going to take this opportunity to promote my other projects\n"
    "Please feel free to visit my other";

constexpr long kDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxMINIMIZE_BOX | wxCLIP_CHILDREN;

// The README that ships with the program, found like the license: from the
// folder the program runs in, else where it was installed.
wxString ReadmeUrl()
{
    wxFileName readme(wxString(FindProgramFile("README.md", "README.md").c_str(), *wxConvFileName));
    readme.MakeAbsolute();
    return wxFileSystem::FileNameToURL(readme);
}

// The body with the toolkit's port in its place.
std::string BodyNaming(const char* body, const char* port)
{
    std::string text = body;
    const std::string mark = "%PORT%";
    if (size_t at = text.find(mark); at != std::string::npos)
        text.replace(at, mark.size(), port);
    return text;
}

}  // namespace

// Heading, body and a link that continues the body's last line: level with
// it, right of its text, inside the body's rectangle. The link belongs to
// the dialog (a static text has no area of its own for children here), and
// its place is measured from the text as this platform draws it.
AboutDialog::AboutDialog(wxWindow* parent, const wxSize& size, const std::string& body, const wxString& linkLabel)
    : wxDialog(parent, wxID_ANY, "Quillory :: About", wxDefaultPosition, size, kDialogStyle)
{
    m_heading = new wxStaticText(this, wxID_ANY, "About The Software", wxPoint(10, 10));
    m_heading->SetFont(wxFont(10, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false, wxEmptyString,
                              wxFONTENCODING_DEFAULT));
    m_heading->SetSize(LabelTextSize(m_heading));
    const int bodyTop = std::max(30, 10 + m_heading->GetBestSize().y + 4);
    m_body = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(body.c_str()), wxPoint(30, bodyTop));
    SetLabelFont(m_body);
    m_body->SetSize(LabelTextSize(m_body));

    const wxString text = m_body->GetLabel();
    const int lines = static_cast<int>(text.Freq('\n')) + 1;
    const wxRect bodyRect = m_body->GetRect();
    const int lineHeight = bodyRect.height / lines;
    const wxString lastLine = text.AfterLast('\n');
    // Measured in the font the body is drawn in.
    wxClientDC dc(m_body);
    dc.SetFont(LabelFont());
    const int x = bodyRect.x + dc.GetTextExtent(lastLine + " ").x;
    const int y = bodyRect.y + (lines - 1) * lineHeight;

    m_link = new wxHyperlinkCtrl(this, wxID_ANY, linkLabel, ReadmeUrl(), wxPoint(x, y), wxDefaultSize,
                                        wxHL_DEFAULT_STYLE);
    SetLinkFont(m_link);
    // Reached with Tab, opened with Enter or Space, read as a link.
    ExposeAsLink(m_link);
    wxSize link = m_link->GetBestSize();
    m_link->SetSize(x, y, std::min(link.x, bodyRect.GetRight() + 1 - x), std::min(link.y, lineHeight));

    FixSizeToFit(this, wxSize(bodyRect.GetRight() + 30, bodyRect.GetBottom() + 30));

    // Read as a dialog whose text a screen reader reads when it opens: the
    // heading and the body label nothing (the link has its own words).
    ExposeAsDialog(this);
    LinkLabel(m_heading, nullptr);
    LinkLabel(m_body, nullptr);
    CloseOnEscape(this);
}

AboutSoftware::AboutSoftware(wxWindow* parent)
    : AboutDialog(parent, wxSize(455, 250), BodyNaming(kAboutSoftwareBody, ToolkitPort()), "Quillory README")
{
}

AboutAuthor::AboutAuthor(wxWindow* parent)
    : AboutDialog(parent, wxSize(455, 200), kAboutAuthorBody, "projects")
{
}
