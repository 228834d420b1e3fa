#pragma once

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
