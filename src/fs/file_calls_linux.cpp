#include "fs/file_calls_linux.h"

#include "fs/outcome.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Large enough to run at the disk's speed, small enough that a stop
// request is seen within a few milliseconds.
constexpr size_t kChunk = 8 << 20;

// Copies [begin, end) at the same offsets, in the kernel where it can and
// through a buffer where it can't. A source that ends early ends the range.
bool CopyRange(int in, int out, off_t begin, off_t end, const std::atomic<bool>* stop, bool& kernel,
               std::vector<char>& buffer)
{
    off_t position = begin;
    while (position < end)
    {
        if (StopRequested(stop))
        {
            errno = ECANCELED;
            return false;
        }
        size_t want = static_cast<size_t>(std::min<off_t>(end - position, kChunk));
        if (kernel)
        {
            loff_t from = position, to = position;
            ssize_t copied = ::copy_file_range(in, &from, out, &to, want, 0);
            if (copied > 0)
            {
                position += copied;
                continue;
            }
            if (copied == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
                return false;
            kernel = false;
        }
        if (buffer.empty())
            buffer.resize(1 << 20);
        ssize_t got = ::pread(in, buffer.data(), std::min(want, buffer.size()), position);
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        for (ssize_t done = 0; done < got;)
        {
            ssize_t written = ::pwrite(out, buffer.data() + done, static_cast<size_t>(got - done), position + done);
            if (written < 0)
            {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += written;
        }
        position += got;
    }
    return true;
}

// Whether `in` holds anything at `offset` or after it. Read as a block:
// some pseudo files take only reads of whole entries.
bool HasDataAt(int in, off_t offset)
{
    char block[512];
    ssize_t got;
    while ((got = ::pread(in, block, sizeof block, offset)) < 0 && errno == EINTR)
    {
    }
    return got > 0;
}

// What a copy of at most `limit` ends with: nothing past the limit, and no
// copy at all of a source that has more than a limit it must not pass.
bool EndAtLimit(int in, int out, CopyLimit limit)
{
    const off_t end = static_cast<off_t>(std::min<std::uint64_t>(limit.bytes, std::numeric_limits<off_t>::max()));
    if (limit.refuseLonger && HasDataAt(in, end))
    {
        errno = EFBIG;
        return false;
    }
    struct stat out_status;
    if (::fstat(out, &out_status) != 0)
        return false;
    return out_status.st_size <= end || ::ftruncate(out, end) == 0;
}

// Copies the data parts of `in`, at most `limit` of it, and leaves its
// holes as holes, so that a disk image with little data in it stays small.
bool CopyBytes(int in, int out, const std::atomic<bool>* stop, CopyLimit limit)
{
    // A clone shares the blocks where the file system can (Btrfs, XFS).
    if (::ioctl(out, FICLONE, in) == 0)
        return EndAtLimit(in, out, limit);

    const off_t end = static_cast<off_t>(std::min<std::uint64_t>(limit.bytes, std::numeric_limits<off_t>::max()));
    bool kernel = true;
    std::vector<char> buffer;
    off_t position = 0;
    while (position < end)
    {
        off_t data = ::lseek(in, position, SEEK_DATA);
        if (data < 0)
        {
            if (errno == ENXIO)
                break;  // nothing but a hole from here on
            // No hole reporting here (pseudo files among them): copy what
            // is left, up to the limit.
            if (!CopyRange(in, out, position, end, stop, kernel, buffer))
                return false;
            break;
        }
        if (data >= end)
            break;
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > end)
            hole = end;
        if (!CopyRange(in, out, data, hole, stop, kernel, buffer))
            return false;
        position = hole;
    }
    // A hole at the end has no data to write: the size says it.
    struct stat in_status, out_status;
    if (::fstat(in, &in_status) != 0 || ::fstat(out, &out_status) != 0)
        return false;
    const off_t size = std::min(in_status.st_size, end);
    if (size > out_status.st_size && ::ftruncate(out, size) != 0)
        return false;
    return EndAtLimit(in, out, limit);
}

// A temporary name that fits beside any name: the limit is on each name,
// and the destination's own may already use all of it.
std::string TemporaryName()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".partial-";
    for (int i = 0; i < 10; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

}  // namespace

int OpenParentFolder(const fs::path& path, std::string& name)
{
    fs::path parent = path.parent_path();
    name = path.filename().native();
    return ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.Release();
    }
    return *this;
}

int FileDescriptor::Release()
{
    int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool FileDescriptor::Close()
{
    return ::close(Release()) == 0;
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

int OpenRegularFile(const fs::path& path, struct stat* status)
{
    // Opened without blocking, so that a FIFO can't hold the thread, and
    // examined on the open file, so that nothing can swap it in between.
    FileDescriptor in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in.Valid())
        return -1;
    if (::fstat(in.Get(), status) != 0)
        return -1;
    if (!S_ISREG(status->st_mode))
    {
        errno = S_ISDIR(status->st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    int flags = ::fcntl(in.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(in.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return -1;
    return in.Release();
}

bool CopyOpenFileAt(int sourceFd, int dirFd, const std::string& name, unsigned mode, const std::atomic<bool>* stop,
                    int* error, Existing existing, CopyLimit limit)
{
    return ReplaceFileAt(
        dirFd, name, mode, [&](int out) { return CopyBytes(sourceFd, out, stop, limit); }, error, existing);
}

namespace {

// A file with no name until it is complete: if the program ends while it
// is written, nothing of it is left anywhere. -1 where the file system
// has no such files.
int OpenUnnamedFile(int dirFd)
{
#ifdef O_TMPFILE
    return ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
#else
    (void)dirFd;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// A fresh temporary name in the folder, created exclusively.
int OpenTemporaryFile(int dirFd, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        name = TemporaryName();
        int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file `fd` the name `name`, replacing what had it
// unless it is to be kept.
bool LinkUnnamedFile(int fd, int dirFd, const std::string& name, Existing existing)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), dirFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST || existing == Existing::Keep)
        return false;
    // The name is taken: a temporary name first, then over the old file
    // in one step, so that it is never missing.
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string temporary = TemporaryName();
        if (::linkat(AT_FDCWD, self.c_str(), dirFd, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0)
        {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) == 0)
            return true;
        int reason = errno;
        ::unlinkat(dirFd, temporary.c_str(), 0);
        errno = reason;
        return false;
    }
    errno = EEXIST;
    return false;
}

// Renames the complete temporary file to `name`; a name to keep is never
// replaced, on file systems without an atomic no-replace rename too.
bool RenameInto(int dirFd, const std::string& temporary, const std::string& name, Existing existing)
{
    if (existing == Existing::Replace)
        return ::renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) == 0;
    if (::renameat2(dirFd, temporary.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::linkat(dirFd, temporary.c_str(), dirFd, name.c_str(), 0) != 0)
        return false;
    ::unlinkat(dirFd, temporary.c_str(), 0);
    return true;
}

}  // namespace

bool ReplaceFileAt(int dirFd, const std::string& name, unsigned mode, const std::function<bool(int fd)>& write,
                   int* error, Existing existing)
{
    std::string partial;  // empty while the file has no name
    FileDescriptor out(OpenUnnamedFile(dirFd));
    if (!out.Valid())
        out = FileDescriptor(OpenTemporaryFile(dirFd, partial));
    if (!out.Valid())
        return FailWith(error, errno);

    errno = 0;
    bool ok = write(out.Get()) && ::fchmod(out.Get(), mode) == 0;
    int reason = errno;
    if (ok && partial.empty())
    {
        ok = LinkUnnamedFile(out.Get(), dirFd, name, existing);
        reason = errno;
    }
    if (!out.Close() && ok)
    {
        // A late write error (a full disk on a network file system).
        ok = false;
        reason = errno;
        if (partial.empty())
            ::unlinkat(dirFd, name.c_str(), 0);
    }
    if (ok && !partial.empty())
    {
        if (RenameInto(dirFd, partial, name, existing))
            return true;
        reason = errno;
    }
    if (ok)
        return true;
    if (!partial.empty())
        ::unlinkat(dirFd, partial.c_str(), 0);
    return FailWith(error, reason ? reason : EIO);
}

bool ReplaceFile(const fs::path& destination, unsigned mode, const std::function<bool(int fd)>& write, int* error,
                 Existing existing)
{
    std::string name;
    FileDescriptor dir(OpenParentFolder(destination, name));
    if (!dir.Valid())
        return FailWith(error, errno);
    return ReplaceFileAt(dir.Get(), name, mode, write, error, existing);
}
