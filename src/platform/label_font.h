#pragma once

class wxFont;
class wxWindow;

// Gives a window a font. A label on GTK gets it as its own text attributes:
// the toolkit's SetFont() styles every widget through a style sheet of its
// own, and parsing one for each of the pages' labels was a tenth of the
// start-up (15 ms). Other windows, and other platforms, go through SetFont().
void ApplyFont(wxWindow* window, const wxFont& font);

// Gives the toolkit's link control a font, not underlined, where the
// platform lets the theme's underline be taken away.
void ApplyLinkFont(wxWindow* link, const wxFont& font);
