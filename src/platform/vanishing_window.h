#pragma once

class wxTopLevelWindow;

// Another program can destroy a window's system window under it (a window
// tool, xdotool windowclose). The toolkit would then go on with a window
// whose native half is gone, and crash on the next use. With this, such a
// window is closed the ordinary way instead: as if its close box was used, and
// the errors of requests that were already on their way to the vanished
// window do not end the program.
void CloseWhenDestroyedFromOutside(wxTopLevelWindow* window);
