#include "platform/vanishing_window.h"

// Another program can't destroy a window of this process under it on
// Windows: DestroyWindow works only from the thread that owns the window.
void CloseWhenDestroyedFromOutside(wxTopLevelWindow*) {}
