#pragma once

#include <wx/dialog.h>

#include <string>

class wxHyperlinkCtrl;
class wxStaticText;

// What the two about dialogs share: a bold heading, a body of text, and a
// link that continues the body's last line.
class AboutDialog : public wxDialog
{
protected:
    AboutDialog(wxWindow* parent, const wxSize& size, const std::string& body, const wxString& linkLabel);

private:
    wxStaticText* m_heading;
    wxStaticText* m_body;
    wxHyperlinkCtrl* m_link;
};

// "About the Software": what the program is, with a link to its README.
class AboutSoftware : public AboutDialog
{
public:
    explicit AboutSoftware(wxWindow* parent);
};

// "About the Author": a note from the authors, with a link to the README.
class AboutAuthor : public AboutDialog
{
public:
    explicit AboutAuthor(wxWindow* parent);
};
