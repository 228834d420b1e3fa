#pragma once

// The Win32 steps beneath the copy routine and the stored copies.

#include "fs/copy_file.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

// `path` as the wide-character calls take it: absolute paths longer than
// the old limit of 260 characters get the prefix that lifts it.
std::wstring Win32Path(const std::filesystem::path& path);

// Makes `folder` and every missing folder above it, long paths included.
bool MakeFolders(const std::filesystem::path& folder);

// The errno value that says what a Win32 error code says, for messages
// that are the same on every system.
int ErrnoOf(DWORD error);

// Closes a handle when it goes out of scope.
class Win32Handle
{
public:
    explicit Win32Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Win32Handle();
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    void Reset(HANDLE handle = INVALID_HANDLE_VALUE);

private:
    HANDLE m_handle;
};

// A file's identity: its volume's serial number and its index there.
using FileIdentity = std::pair<std::uint64_t, std::uint64_t>;
std::optional<FileIdentity> IdentityOf(HANDLE file);

// Opens `path` for reading, sharing it with everyone, only when it is a
// plain file on disk (no folder, pipe or device); INVALID_HANDLE_VALUE with
// the last error set otherwise.
HANDLE OpenFileForCopy(const std::filesystem::path& path);

// Writes `destination` through a temporary file beside it that `fill`
// writes and that replaces it only when everything succeeded. The
// temporary file is marked for deletion while it is written, so the end of
// the process at any moment leaves nothing behind.
// With Existing::Keep a taken name (in any case) fails with EEXIST instead.
bool WriteThroughTemporary(const std::filesystem::path& destination, const std::function<bool(HANDLE)>& fill,
                           int* error, Existing existing = Existing::Replace);

// Copies the open file `in` to `destination` through WriteThroughTemporary;
// a destination that is `in` itself is left alone (true). `stop` is checked
// between chunks.
bool CopyOpenFile(HANDLE in, const std::filesystem::path& destination, const std::atomic<bool>* stop, int* error,
                  Existing existing = Existing::Replace, CopyLimit limit = {});

// Writes all of `size` bytes; false with the last error set.
bool WriteAllTo(HANDLE file, const void* data, size_t size);
