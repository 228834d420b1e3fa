#include "dialogs/about_dialogs.h"

#include "app/labels.h"
#include "app/page_layout.h"

#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/generic/hyperlink.h>
#include <wx/stattext.h>

#include <algorithm>

const char* const kAboutSoftwareBody =
    "Quillory v1.0\n\n"
    "This application is designed to record any activity on the clipboard.\n"
    "It records text, images and files, and is able to back them up\nautomatically,"
    "automatically keeping them in an easy-to-navigate and\nsearchable environment.\n\n"
    "Built in C++17 with the wxWidgets 3.2 toolkit (GTK 3).\n\n"
    "Made by the Quillory developers.";

const char* const kAboutAuthorBody =
    "About Me!\n\n"
    "Nothing boring like \"I want you to donate to me\" ~ because who\n"
    "would, honestly? It's free software~! Keep it that way!\n\n"
    "Instead, I'm going to take this opportunity to promote my other projects\n"
    "Please feel free to visit my other";

namespace {

constexpr long kDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxMINIMIZE_BOX | wxCLIP_CHILDREN;

// The README that ships with the program, found like the license: from the
// folder the program runs in.
wxString ReadmeUrl()
{
    wxFileName readme("README.md");
    readme.MakeAbsolute();
    return wxFileSystem::FileNameToURL(readme);
}

struct AboutParts
{
    wxStaticText* heading;
    wxStaticText* body;
    wxGenericHyperlinkCtrl* link;
};

// Heading, body and a link that continues the body's last line: level with
// it, right of its text, inside the body's rectangle. The link belongs to
// the dialog (a static text has no area of its own for children here), and
// its place is measured from the text as this platform draws it.
AboutParts BuildAbout(wxDialog* dialog, const char* body, const wxString& linkLabel)
{
    AboutParts parts;
    parts.heading = new wxStaticText(dialog, wxID_ANY, "About The Software", wxPoint(10, 10));
    parts.heading->SetFont(wxFont(10, wxFONTFAMILY_MODERN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false,
                                  wxEmptyString, wxFONTENCODING_DEFAULT));
    parts.heading->SetSize(LabelTextSize(parts.heading));
    const int bodyTop = std::max(30, 10 + parts.heading->GetBestSize().y + 4);
    parts.body = new wxStaticText(dialog, wxID_ANY, wxString::FromUTF8(body), wxPoint(30, bodyTop));
    SetLabelFont(parts.body);
    parts.body->SetSize(LabelTextSize(parts.body));

    const wxString text = parts.body->GetLabel();
    const int lines = static_cast<int>(text.Freq('\n')) + 1;
    const wxRect bodyRect = parts.body->GetRect();
    const int lineHeight = bodyRect.height / lines;
    const wxString lastLine = text.AfterLast('\n');
    const int x = bodyRect.x + parts.body->GetTextExtent(lastLine + " ").x;
    const int y = bodyRect.y + (lines - 1) * lineHeight;

    parts.link = new wxGenericHyperlinkCtrl(dialog, wxID_ANY, linkLabel, ReadmeUrl(), wxPoint(x, y),
                                            wxDefaultSize, wxHL_DEFAULT_STYLE);
    parts.link->SetFont(parts.body->GetFont());
    wxSize link = parts.link->GetBestSize();
    parts.link->SetSize(x, y, std::min(link.x, bodyRect.GetRight() + 1 - x), std::min(link.y, lineHeight));

    FixSizeToFit(dialog, wxSize(bodyRect.GetRight() + 30, bodyRect.GetBottom() + 30));
    return parts;
}

}  // namespace

AboutSoftware::AboutSoftware(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Quillory :: About", wxDefaultPosition, wxSize(455, 250), kDialogStyle)
{
    AboutParts parts = BuildAbout(this, kAboutSoftwareBody, "Quillory README");
    m_heading = parts.heading;
    m_body = parts.body;
    m_link = parts.link;
}

AboutAuthor::AboutAuthor(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Quillory :: About", wxDefaultPosition, wxSize(455, 200), kDialogStyle)
{
    AboutParts parts = BuildAbout(this, kAboutAuthorBody, "projects");
    m_heading = parts.heading;
    m_body = parts.body;
    m_link = parts.link;
}
