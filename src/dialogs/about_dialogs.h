#pragma once

#include <wx/dialog.h>

class wxGenericHyperlinkCtrl;
class wxStaticText;

// "About the Software": what the program is, with a link to its README.
class AboutSoftware : public wxDialog
{
public:
    explicit AboutSoftware(wxWindow* parent);

private:
    wxStaticText* m_heading;
    wxStaticText* m_body;
    wxGenericHyperlinkCtrl* m_link;
};

// "About the Author": a note from the authors, with a link to the README.
class AboutAuthor : public wxDialog
{
public:
    explicit AboutAuthor(wxWindow* parent);

private:
    wxStaticText* m_heading;
    wxStaticText* m_body;
    wxGenericHyperlinkCtrl* m_link;
};

// The texts of the two dialogs, joined from their pieces.
extern const char* const kAboutSoftwareBody;
extern const char* const kAboutAuthorBody;
