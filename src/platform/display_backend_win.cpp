#include "platform/display_backend.h"

// Windows has one display system and no GL probe at start-up.
void PrepareToolkit() {}

void ToolkitStarted() {}

const char* ToolkitPort()
{
    return "Windows";
}
