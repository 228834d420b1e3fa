#pragma once

// The descriptor-level steps beneath the copy routine and the stored
// copies where the system has openat() and friends.

#include "fs/copy_file.h"

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>

struct stat;

// Opens `path` for copying: without blocking on a FIFO, never a controlling
// terminal, and only when it is a regular file. -1 with errno set otherwise;
// `status` receives the open file's status.
int OpenRegularFile(const std::filesystem::path& path, struct stat* status);

// The copy itself, from an open regular file into the folder `dirFd` under
// `name`, with permission bits `mode`.
// At most `limit` of it.
bool CopyOpenFileAt(int sourceFd, int dirFd, const std::string& name, unsigned mode,
                    const std::atomic<bool>* stop, int* error, Existing existing = Existing::Replace,
                    CopyLimit limit = {});

// Writes `name` in the folder `dirFd` through a temporary file beside it
// that `write` fills and that is renamed over `name`, with permission bits
// `mode`, only when everything succeeded: a failure leaves no partial file
// and no existing file emptied. Never follows a symbolic link.
// With Existing::Keep a taken name fails with EEXIST instead.
bool ReplaceFileAt(int dirFd, const std::string& name, unsigned mode, const std::function<bool(int fd)>& write,
                   int* error = nullptr, Existing existing = Existing::Replace);

// Opens the folder that holds `path` (the current folder for a bare name)
// and gives the name `path` has in it; -1 with errno set on failure.
int OpenParentFolder(const std::filesystem::path& path, std::string& name);

// ReplaceFileAt for a path.
bool ReplaceFile(const std::filesystem::path& destination, unsigned mode, const std::function<bool(int fd)>& write,
                 int* error = nullptr, Existing existing = Existing::Replace);

// Writes all of `data`, retrying after interruptions; false with errno set.
bool WriteAll(int fd, const char* data, size_t size);

// Closes a descriptor when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    bool Close();

private:
    int m_fd;
};
