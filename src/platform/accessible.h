#pragma once

class wxString;
class wxWindow;

// What assistive technology (a screen reader) is told about the program's
// controls beyond what the toolkit tells it by itself.

// `control` reads as a link (the toolkit's link control reads as a push
// button to it otherwise).
void ExposeAsLink(wxWindow* control);

// `window` reads as a dialog, not as a frame.
void ExposeAsDialog(wxWindow* window);

// `control` reads as a picture, named by `description` ("Image, 640 by 480").
void ExposeAsImage(wxWindow* control, const wxString& description);

// The name a screen reader gives `control`, where what it shows does not
// tell it apart ("Copy" beside each of two boxes).
void SetAccessibleName(wxWindow* control, const wxString& name);

// `label` names `control` and nothing else; with no control, it names
// nothing. The toolkit ties each label to whichever focusable control is
// made after it, which is rarely the one the label stands beside.
void LinkLabel(wxWindow* label, wxWindow* control);

// Lets the keyboard focus rest on a label, so that a screen reader reads
// it when Tab reaches it.
void LetLabelTakeFocus(wxWindow* label);

// Says `message` through the screen reader, if one listens, without moving
// the focus: of the control that has the focus in `window`'s top-level
// window, at once where that window is active, else when the window gets
// the focus back. Nothing stays behind on the control.
void Announce(wxWindow* window, const wxString& message);

// Gives `control` `message` as what a screen reader says with it when the
// focus comes to it, without a word now; it goes once the focus leaves.
// For a window about to open: said with the control that gets the focus.
void DescribeUntilLeft(wxWindow* control, const wxString& message);

// The system's message boxes are read with their captions: the toolkit's
// message box on GTK names itself after its kind ("Error") instead.
void NameMessageBoxesByCaption();
