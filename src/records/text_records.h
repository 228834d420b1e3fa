#pragma once

#include "clipboard/clip_snapshot.h"

#include <utility>
#include <vector>

// One recorded text: its bytes as offered, and the other forms its owner
// delivered beside it (rich text, html, an office document), given back with
// it. Never changed once made, so the capture thread, the page, a search and
// a save worker can all hold the same one without copying or locking it.
struct TextRecord
{
    // A text that came alone is a record as it stands.
    TextRecord(SharedText bytes = {}, SharedForms otherForms = {})
        : text(std::move(bytes)), forms(std::move(otherForms))
    {
    }

    SharedText text;
    SharedForms forms;  // null when it came without any
};

// The text page's records, oldest first.
using TextRecords = std::vector<TextRecord>;
