#pragma once

#include "clipboard/clip_snapshot.h"

#include <vector>

// The text page's records, oldest first. A record is never changed once
// made, so the capture thread, the page, a search and a save worker can all
// hold the same one without copying or locking it.
using TextRecords = std::vector<SharedText>;
