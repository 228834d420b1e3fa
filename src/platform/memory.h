#pragma once

// Gives memory the program has freed back to the system. The allocator
// keeps freed blocks for reuse; after a large window's text is gone that
// is tens of megabytes kept for nothing.
void ReturnFreedMemory();
