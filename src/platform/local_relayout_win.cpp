#include "platform/local_relayout.h"

// A window's controls repaint only themselves when their text changes.
void KeepRelayoutInside(wxWindow*)
{
}
