#include "file/copy_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// Large enough to run at the disk's speed, small enough that a stop
// request is seen within a few milliseconds.
constexpr size_t kChunk = 8 << 20;

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    bool Close()
    {
        int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool Stopped(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t written = ::write(fd, data, size);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies in the kernel where it can, and through a buffer where it can't
// (across some file systems, or where the call is missing).
bool CopyBytes(int in, int out, const std::atomic<bool>* stop)
{
    bool kernel = true;
    std::vector<char> buffer;
    for (;;)
    {
        if (Stopped(stop))
            return false;
        if (kernel)
        {
            ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (copied > 0)
                continue;
            if (copied == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
                return false;
            kernel = false;
            buffer.resize(1 << 20);
        }
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

}  // namespace

bool CopyFileData(const std::filesystem::path& source, const std::filesystem::path& destination,
                  const std::atomic<bool>* stop)
{
    // Opened without blocking, so that a FIFO can't hold the thread, and
    // examined on the open file, so that nothing can swap it in between.
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.Get() < 0)
        return false;
    struct stat sourceStatus;
    if (::fstat(in.Get(), &sourceStatus) != 0 || !S_ISREG(sourceStatus.st_mode))
        return false;
    int flags = ::fcntl(in.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(in.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return false;

    struct stat destinationStatus;
    if (::stat(destination.c_str(), &destinationStatus) == 0 && destinationStatus.st_dev == sourceStatus.st_dev &&
        destinationStatus.st_ino == sourceStatus.st_ino)
        return true;

    return ReplaceFile(destination, sourceStatus.st_mode & 07777,
                       [&](int out) { return CopyBytes(in.Get(), out, stop); });
}

bool ReplaceFile(const std::filesystem::path& destination, unsigned mode, const std::function<bool(int fd)>& write)
{
    std::string partial = destination.native() + ".partial-XXXXXX";
    FileDescriptor out(::mkostemp(partial.data(), O_CLOEXEC));
    if (out.Get() < 0)
        return false;
    bool ok = write(out.Get()) && ::fchmod(out.Get(), mode) == 0;
    ok = out.Close() && ok;
    if (ok && ::rename(partial.c_str(), destination.c_str()) == 0)
        return true;
    ::unlink(partial.c_str());
    return false;
}

bool ReplaceFileWith(const std::filesystem::path& destination, const void* data, size_t size)
{
    return ReplaceFile(destination, 0644,
                       [&](int out) { return WriteAll(out, static_cast<const char*>(data), size); });
}
