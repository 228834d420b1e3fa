#pragma once

class wxWindow;

// Keeps the toolkit's re-sizing of a child of `container` inside it. On GTK
// a label given a new text asks its every ancestor to be sized again, and
// the notebook, sized again, redraws the whole window: with a count that
// changes at each copy, that redraw was most of what a copy cost (2.3 of
// its 2.8 ms). The pages' children are placed by the program's own layout,
// so nothing above a page needs to know. Elsewhere this does nothing.
void KeepRelayoutInside(wxWindow* container);
