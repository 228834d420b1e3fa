#pragma once

#include <string>

class wxString;
class wxWindow;

// Gives a label the program's label font: 10 points, Swiss family, upright,
// light, not underlined. Buttons keep the toolkit's default font.
void SetLabelFont(wxWindow* label);

// Count and position texts are plain ASCII made from fixed pieces and numbers.
wxString AsciiLabel(const std::string& text);
