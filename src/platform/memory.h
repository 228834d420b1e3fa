#pragma once

// Gives memory the program has freed back to the system. The allocator
// keeps freed blocks for reuse; after a large window's text is gone that
// is tens of megabytes kept for nothing.
void ReturnFreedMemory();

// Sets the allocator up for a program that keeps many large blocks for its
// whole life (records) and passes larger ones through briefly (decoded
// images, transfers): each large block gets pages of its own, which go back
// to the system the moment it is freed, instead of leaving holes among the
// records that are kept. Called first thing, before any thread starts.
void KeepLargeBlocksApart();
