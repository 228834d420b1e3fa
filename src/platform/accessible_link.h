#pragma once

class wxWindow;

// Tells assistive technology that `control` is a link (the toolkit's link
// control reads as a push button to it otherwise).
void ExposeAsLink(wxWindow* control);
