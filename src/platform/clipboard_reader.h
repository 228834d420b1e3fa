#pragma once

#include "clipboard/clip_snapshot.h"

struct ClipOffer;

#include <functional>
#include <memory>

// Watches the system clipboard from a thread of its own and turns each change
// into one snapshot, without the window ever waiting on the program that
// owns the clipboard. Snapshots are delivered on the reader's thread, in the
// order of the changes; a read overtaken by a newer change's snapshot is
// dropped.
class ClipboardReader
{
public:
    using Deliver = std::function<void(ClipSnapshot)>;

    virtual ~ClipboardReader() = default;

    // No snapshot is delivered after this returns.
    virtual void Stop() = 0;

    // Starts watching, and reads what the clipboard holds now.
    // Puts on the clipboard what `build` makes, built and served from the
    // reader's thread, until another program takes the clipboard or the
    // reader stops. False when this reader does not own the clipboard
    // itself (the system keeps what is put there) or has stopped.
    virtual bool Offer(std::function<ClipOffer()> build)
    {
        (void)build;
        return false;
    }

    static std::unique_ptr<ClipboardReader> Create(Deliver deliver);
};
