#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>

// Copies one regular file's bytes from `source` to `destination` (the file
// itself, not a folder) and gives the copy the source's permission bits.
// Returns true once the destination holds the whole source.
//
// It never loses or invents data: a source that can't be opened, or that is
// not a regular file (a folder, FIFO, device or socket), leaves any
// destination untouched; a source and destination that are the same file
// are left alone (true); the copy is written beside the destination and
// only renamed over it when complete, so a read or write error, a full
// disk or a stop request (`stop`, checked between chunks) leaves no partial
// file behind.
bool CopyFileData(const std::filesystem::path& source, const std::filesystem::path& destination,
                  const std::atomic<bool>* stop = nullptr);

// Writes `destination` through a file beside it that `write` fills and that
// is renamed over the destination, with permission bits `mode`, only when
// everything succeeded: a failure leaves no partial file and no existing
// file emptied.
bool ReplaceFile(const std::filesystem::path& destination, unsigned mode, const std::function<bool(int fd)>& write);

// ReplaceFile with these bytes, readable by all.
bool ReplaceFileWith(const std::filesystem::path& destination, const void* data, size_t size);
