#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

struct stat;

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
bool CopyFileData(const std::filesystem::path& source, const std::filesystem::path& destination,
                  const std::atomic<bool>* stop = nullptr, int* error = nullptr);

// Opens `path` for copying: without blocking on a FIFO, never a controlling
// terminal, and only when it is a regular file. -1 with errno set otherwise;
// `status` receives the open file's status.
int OpenRegularFile(const std::filesystem::path& path, struct stat* status);

// The copy itself, from an open regular file into the folder `dirFd` under
// `name`, with permission bits `mode`.
bool CopyOpenFileAt(int sourceFd, int dirFd, const std::string& name, unsigned mode,
                    const std::atomic<bool>* stop, int* error);

// Writes `name` in the folder `dirFd` through a temporary file beside it
// that `write` fills and that is renamed over `name`, with permission bits
// `mode`, only when everything succeeded: a failure leaves no partial file
// and no existing file emptied. Never follows a symbolic link.
bool ReplaceFileAt(int dirFd, const std::string& name, unsigned mode, const std::function<bool(int fd)>& write,
                   int* error = nullptr);

// ReplaceFileAt for a path.
bool ReplaceFile(const std::filesystem::path& destination, unsigned mode, const std::function<bool(int fd)>& write,
                 int* error = nullptr);

// ReplaceFile with these bytes, readable by all.
bool ReplaceFileWith(const std::filesystem::path& destination, const void* data, size_t size,
                     int* error = nullptr);

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
