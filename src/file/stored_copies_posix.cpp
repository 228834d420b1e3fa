#include "file/stored_copies.h"

#include "fs/file_calls_posix.h"
#include "fs/outcome.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Inside the folder, so that the folder shows it was made by this program
// and not by someone who happened to choose the same name.
constexpr const char kMark[] = ".quillory-stored-copies";

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Ours: a real folder (not a link), owned by us, closed to everyone else,
// holding our mark as a plain file of ours.
bool IsOurFolder(int fd)
{
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & 077) != 0)
        return false;
    struct stat mark;
    return ::fstatat(fd, kMark, &mark, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(mark.st_mode) &&
           mark.st_uid == ::geteuid();
}

// Empties the folder `fd` without ever following a link: links are
// removed as links, folders are entered only through O_NOFOLLOW.
bool EmptyFolder(int fd, int depth = 0)
{
    if (depth > 64)
        return false;
    int copy = ::dup(fd);
    if (copy < 0)
        return false;
    DIR* dir = ::fdopendir(copy);
    if (!dir)
    {
        ::close(copy);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir))
    {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);

    bool all = true;
    for (const std::string& name : names)
    {
        if (::unlinkat(fd, name.c_str(), 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM)
        {
            all = all && errno == ENOENT;
            continue;
        }
        FileDescriptor child(::openat(fd, name.c_str(), kDirectoryFlags));
        if (!child.Valid() || !EmptyFolder(child.Get(), depth + 1))
        {
            all = false;
            continue;
        }
        all = (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT) && all;
    }
    return all;
}

std::pair<fs::path, std::string> ParentAndName(const fs::path& folder)
{
    fs::path clean = folder;
    if (!clean.has_filename())
        clean = clean.parent_path();
    fs::path parent = clean.parent_path();
    return {parent.empty() ? fs::path(".") : parent, clean.filename().native()};
}

}  // namespace

struct StoredCopies::HeldFolder
{
    FileDescriptor fd;
};

StoredCopies::StoredCopies(fs::path folder) : m_folder(std::move(folder)) {}

StoredCopies::~StoredCopies() = default;

bool IsStorableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

StoredCopies::Found StoredCopies::Examine(const fs::path& folder)
{
    FileDescriptor fd(::open(folder.c_str(), kDirectoryFlags));
    if (!fd.Valid())
    {
        struct stat status;
        return ::lstat(folder.c_str(), &status) != 0 && errno == ENOENT ? Found::Nothing : Found::Taken;
    }
    return IsOurFolder(fd.Get()) ? Found::Ours : Found::Taken;
}

bool StoredCopies::RemoveIfOurs(const fs::path& folder)
{
    auto [parentPath, name] = ParentAndName(folder);
    FileDescriptor parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent.Valid())
        return errno == ENOENT;
    FileDescriptor fd(::openat(parent.Get(), name.c_str(), kDirectoryFlags));
    if (!fd.Valid())
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR;  // nothing, or nothing of ours
    if (!IsOurFolder(fd.Get()))
        return true;  // not ours: nothing of ours to remove
    // The mark goes last, so that a removal cut short is finished by the
    // next start.
    bool emptied = EmptyFolder(fd.Get());
    if (!emptied)
        return false;
    return ::unlinkat(parent.Get(), name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

bool StoredCopies::OpenFolder(int* error)
{
    if (m_dir)
        return true;
    if (m_disabled)
        return FailWith(error, EEXIST);
    // Made private from the start, so that nobody else can ever put
    // anything inside; a name already taken is never adopted.
    std::error_code ec;
    fs::create_directories(m_folder.parent_path(), ec);
    if (::mkdir(m_folder.c_str(), 0700) != 0)
    {
        int reason = errno;
        if (reason == EEXIST && Examine(m_folder) == Found::Ours)
        {
            FileDescriptor fd(::open(m_folder.c_str(), kDirectoryFlags));
            if (!fd.Valid())
                return FailWith(error, errno);
            m_dir = std::make_unique<HeldFolder>(HeldFolder{std::move(fd)});
            return true;
        }
        if (reason == EEXIST)
            m_disabled = true;
        return FailWith(error, reason);
    }
    FileDescriptor fd(::open(m_folder.c_str(), kDirectoryFlags));
    if (!fd.Valid())
        return FailWith(error, errno);
    FileDescriptor mark(::openat(fd.Get(), kMark, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!mark.Valid() || !IsOurFolder(fd.Get()))
        return FailWith(error, mark.Valid() ? EPERM : errno);
    m_dir = std::make_unique<HeldFolder>(HeldFolder{std::move(fd)});
    return true;
}

fs::path StoredCopies::Store(const fs::path& source, std::uint32_t number, const std::string& name,
                             const std::atomic<bool>* stop, int* error)
{
    if (!IsStorableName(name))
        return FailWith(error, EINVAL), fs::path();
    if (StopRequested(stop))
        return FailWith(error, ECANCELED), fs::path();

    struct stat sourceStatus;
    FileDescriptor in(OpenRegularFile(source, &sourceStatus));
    if (!in.Valid())
        return FailWith(error, errno), fs::path();
    if (!OpenFolder(error))
        return {};

    const std::string recordFolder = std::to_string(number);
    if (::mkdirat(m_dir->fd.Get(), recordFolder.c_str(), 0700) != 0 && errno != EEXIST)
        return FailWith(error, errno), fs::path();
    FileDescriptor dir(::openat(m_dir->fd.Get(), recordFolder.c_str(), kDirectoryFlags));
    if (!dir.Valid())
        return FailWith(error, errno), fs::path();

    bool stored = false;
    if (m_stored.count({static_cast<std::uint64_t>(sourceStatus.st_dev), static_cast<std::uint64_t>(sourceStatus.st_ino)}))
    {
        // Already one of ours (a copy put back on the clipboard): the new
        // record shares its bytes.
        std::string self = "/proc/self/fd/" + std::to_string(in.Get());
        stored = ::linkat(AT_FDCWD, self.c_str(), dir.Get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    if (!stored && !CopyOpenFileAt(in.Get(), dir.Get(), name, sourceStatus.st_mode & 07777, stop, error))
        return {};

    struct stat copy;
    if (::fstatat(dir.Get(), name.c_str(), &copy, AT_SYMLINK_NOFOLLOW) == 0)
        m_stored.insert({static_cast<std::uint64_t>(copy.st_dev), static_cast<std::uint64_t>(copy.st_ino)});
    return m_folder / recordFolder / name;
}
