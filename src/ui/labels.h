#pragma once

#include <wx/stattext.h>

#include <string>

class wxString;
class wxWindow;

// Gives a label the program's label font: 10 points, Swiss family, upright,
// light, not underlined. Buttons keep the toolkit's default font.
void SetLabelFont(wxWindow* label);
class wxFont;
wxFont LabelFont();

// Gives a link the label font, without the underline themes give links:
// it reads as part of the text around it.
void SetLinkFont(wxWindow* link);

// The size a label's text takes in its own font. The toolkit's best size
// can still reflect the font the label was created with.
class wxSize;
wxSize LabelTextSize(wxWindow* label);

// Count and position texts are plain ASCII made from fixed pieces and numbers.
wxString AsciiLabel(const std::string& text);

// Gives a label made with wxST_NO_AUTORESIZE a text that differs from its
// last mostly in its figures, as a count does at each copy. Measuring it
// each time was a fifth of what a copy cost; it is measured only when the
// number of figures or the words around them change, and then given the
// width the widest figures would take. True when it was: its window must
// then be laid out again.
bool RelabelFigures(wxStaticText* label, const wxString& text);
// The width RelabelFigures() gives, for the label's text as it is.
void MakeRoomForFigures(wxStaticText* label);

// A label Tab stops at, so that a screen reader reads it in its turn; its
// accessible name says what it is and holds ("Size: 12kb").
class ReadableLabel : public wxStaticText
{
public:
    ReadableLabel(wxWindow* parent, const wxString& caption);
    void SetValue(const wxString& value);
    bool AcceptsFocus() const override { return true; }
    bool AcceptsFocusFromKeyboard() const override { return true; }

private:
    wxString m_caption;
};
