#pragma once

#include <memory>
#include <string>
#include <vector>

// One recorded clipboard text, UTF-8 encoded. Records are immutable once
// made, so the capture thread, the page, a search and a save worker can all
// hold the same one without copying or locking it.
using TextRecord = std::shared_ptr<const std::string>;
using TextRecords = std::vector<TextRecord>;

inline TextRecord MakeTextRecord(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}
