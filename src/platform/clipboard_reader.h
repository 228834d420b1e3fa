#pragma once

#include "clipboard/clip_snapshot.h"

#include <functional>
#include <memory>

// Watches the system clipboard on the GUI thread and turns each change into
// one snapshot, without ever waiting on the program that owns the clipboard.
// Snapshots are delivered on the GUI thread, in the order of the changes; a
// read overtaken by a newer change's snapshot is dropped.
class ClipboardReader
{
public:
    using Deliver = std::function<void(ClipSnapshot)>;

    virtual ~ClipboardReader() = default;

    // No snapshot is delivered after this returns.
    virtual void Stop() = 0;

    // Starts watching, and reads what the clipboard holds now.
    static std::unique_ptr<ClipboardReader> Create(Deliver deliver);
};
