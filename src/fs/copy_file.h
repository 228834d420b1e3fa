#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Copies one regular file's bytes from `source` to `destination` (the file
// itself, not a folder) and gives the copy the source's permission bits.
// Returns true once the destination holds the whole source.
//
// It never loses or invents data: a source that can't be opened, or that is
// not a regular file (a folder, FIFO, device or socket), leaves any
// destination untouched; a source and destination that are the same file
// are left alone (true); the copy is written beside the destination under a
// short temporary name and only renamed over it when complete, so a read or
// write error, a full disk or a stop request (`stop`, checked between
// chunks) leaves no partial file behind, and any name the file system takes
// can be written. Holes of sparse files stay holes. On failure `error`, if
// given, receives the reason as an errno value.
//
// With `Existing::Keep` a destination name that is taken (by any file, or,
// on a file system that ignores case, by the same name in other case) is
// never written: false with EEXIST, and the file there is left as it was.
enum class Existing
{
    Replace,
    Keep
};

// How much of a source a copy takes: at most `bytes`; a source with more
// is copied up to there, or, with `refuseLonger`, not copied at all
// (EFBIG). A source that ends sooner is copied whole.
struct CopyLimit
{
    std::uint64_t bytes = UINT64_MAX;
    bool refuseLonger = false;
};
bool CopyFileData(const std::filesystem::path& source, const std::filesystem::path& destination,
                  const std::atomic<bool>* stop = nullptr, int* error = nullptr,
                  Existing existing = Existing::Replace);

// Writes `destination` with these bytes, readable by all, through a
// temporary file beside it that replaces it only when complete: a failure
// leaves no partial file and no existing file emptied.
bool ReplaceFileWith(const std::filesystem::path& destination, const void* data, size_t size,
                     int* error = nullptr);

// The same for a file that must be new: a taken name is false with EEXIST.
bool WriteNewFile(const std::filesystem::path& destination, const void* data, size_t size, int* error = nullptr);

