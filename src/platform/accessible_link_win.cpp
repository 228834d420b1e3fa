#include "platform/accessible_link.h"

// The toolkit's link control on Windows is the system's own SysLink, which
// tells assistive technology it is a link.
void ExposeAsLink(wxWindow*) {}
