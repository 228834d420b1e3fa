#include "records/stored_copies.h"

#include "fs/file_calls_linux.h"
#include "fs/outcome.h"

#include <dirent.h>
#include <spawn.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

using Clock = std::chrono::steady_clock;

// Empties the folder `fd` without ever following a link: links are
// removed as links, folders are entered only through O_NOFOLLOW. False,
// with part of it left, once `deadline` has passed.
bool EmptyFolder(int fd, Clock::time_point deadline = Clock::time_point::max(), int depth = 0)
{
    if (depth > 64 || Clock::now() > deadline)
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
        if (Clock::now() > deadline)
            return false;
        if (::unlinkat(fd, name.c_str(), 0) == 0)
            continue;
        if (errno != EISDIR && errno != EPERM)
        {
            all = all && errno == ENOENT;
            continue;
        }
        FileDescriptor child(::openat(fd, name.c_str(), kDirectoryFlags));
        if (!child.Valid() || !EmptyFolder(child.Get(), deadline, depth + 1))
        {
            all = false;
            continue;
        }
        all = (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT) && all;
    }
    return all;
}

// Files of file systems that make their content up as it is read: their
// size says nothing, and some never end.
bool IsSizeless(int fd)
{
    struct statfs system;
    if (::fstatfs(fd, &system) != 0)
        return true;
    switch (static_cast<unsigned long>(system.f_type))
    {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case EFIVARFS_MAGIC:
    case BPF_FS_MAGIC:
    case PSTOREFS_MAGIC:
        return true;
    default:
        return false;
    }
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

namespace {

// A folder of ours held open for removal, with the folder above it.
struct OursToRemove
{
    FileDescriptor parent;
    FileDescriptor fd;
    std::string name;
};

enum class Opened
{
    Ours,
    NothingOfOurs,  // nothing there, or someone else's: nothing to remove
    Failed
};

Opened OpenForRemoval(const fs::path& folder, OursToRemove& ours)
{
    auto [parentPath, name] = ParentAndName(folder);
    ours.name = name;
    ours.parent = FileDescriptor(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!ours.parent.Valid())
        return errno == ENOENT ? Opened::NothingOfOurs : Opened::Failed;
    ours.fd = FileDescriptor(::openat(ours.parent.Get(), name.c_str(), kDirectoryFlags));
    if (!ours.fd.Valid())
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? Opened::NothingOfOurs : Opened::Failed;
    return IsOurFolder(ours.fd.Get()) ? Opened::Ours : Opened::NothingOfOurs;
}

}  // namespace

bool StoredCopies::RemoveIfOurs(const fs::path& folder)
{
    OursToRemove ours;
    if (Opened opened = OpenForRemoval(folder, ours); opened != Opened::Ours)
        return opened == Opened::NothingOfOurs;
    // The mark goes last, so that a removal cut short is finished by the
    // next start.
    if (!EmptyFolder(ours.fd.Get()))
        return false;
    return ::unlinkat(ours.parent.Get(), ours.name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

namespace {

// Where a folder goes while it is removed after the program's end.
constexpr const char kAsidePrefix[] = ".quillory-removing-";

}  // namespace

bool StoredCopies::RemoveSoon(const fs::path& folder, std::chrono::milliseconds budget)
{
    const Clock::time_point deadline = Clock::now() + budget;
    OursToRemove ours;
    if (Opened opened = OpenForRemoval(folder, ours); opened != Opened::Ours)
        return opened == Opened::NothingOfOurs;
    const int parent = ours.parent.Get();
    // Out of its place at once: whatever is left of it from here on is in
    // a folder of ours that the next start removes too.
    const std::string aside = kAsidePrefix + std::to_string(::getpid()) + "-" + ours.name;
    if (::renameat(parent, ours.name.c_str(), parent, aside.c_str()) != 0)
        return RemoveIfOurs(folder);
    if (EmptyFolder(ours.fd.Get(), deadline))
        return ::unlinkat(parent, aside.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
    // The rest takes longer than the program may take to end: the system's
    // own rm finishes it, after this process is gone. It follows no link,
    // and the folder is the user's own, in a folder only they can write.
    const std::string path = (ParentAndName(folder).first / aside).native();
    const char* arguments[] = {"rm", "-rf", "--one-file-system", "--", path.c_str(), nullptr};
    pid_t child = 0;
    return ::posix_spawnp(&child, "rm", nullptr, nullptr, const_cast<char* const*>(arguments), environ) == 0;
}

void StoredCopies::RemoveLeftAside(const fs::path& folder)
{
    auto [parentPath, name] = ParentAndName(folder);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(parentPath, ec))
    {
        const std::string found = entry.path().filename().native();
        if (found.rfind(kAsidePrefix, 0) == 0 && found.size() > name.size() &&
            found.compare(found.size() - name.size(), name.size(), name) == 0)
            RemoveIfOurs(entry.path());
    }
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

bool StoredCopies::SpaceOf(std::uint64_t& free, std::uint64_t& total) const
{
    struct statvfs system;
    if (::fstatvfs(m_dir->fd.Get(), &system) != 0)
        return false;
    const std::uint64_t unit = system.f_frsize ? system.f_frsize : system.f_bsize;
    free = std::uint64_t(system.f_bavail) * unit;
    total = std::uint64_t(system.f_blocks) * unit;
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
    const auto device = static_cast<std::uint64_t>(sourceStatus.st_dev);
    const auto inode = static_cast<std::uint64_t>(sourceStatus.st_ino);
    const auto key = std::make_tuple(device, inode, static_cast<std::uint64_t>(sourceStatus.st_size),
                                     std::int64_t(sourceStatus.st_mtim.tv_sec) * 1000000000 + sourceStatus.st_mtim.tv_nsec);
    if (m_stored.count({device, inode}))
    {
        // Already one of ours (a copy put back on the clipboard): the new
        // record shares its bytes.
        std::string self = "/proc/self/fd/" + std::to_string(in.Get());
        stored = ::linkat(AT_FDCWD, self.c_str(), dir.Get(), name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }
    else if (auto copied = m_copies.find(key); copied != m_copies.end())
        // The same file recorded again, unchanged: one copy serves both.
        stored = ::linkat(m_dir->fd.Get(), copied->second.c_str(), dir.Get(), name.c_str(), 0) == 0;
    if (!stored)
    {
        const CopyLimit limit = StoredCopyLimit(static_cast<std::uint64_t>(sourceStatus.st_size), IsSizeless(in.Get()));
        if (!HasRoomFor(limit.bytes, error) ||
            !CopyOpenFileAt(in.Get(), dir.Get(), name, sourceStatus.st_mode & 07777, stop, error, Existing::Replace,
                            limit))
            return {};
        m_copies[key] = fs::path(recordFolder) / name;
    }

    struct stat copy;
    if (::fstatat(dir.Get(), name.c_str(), &copy, AT_SYMLINK_NOFOLLOW) == 0)
        m_stored.insert({static_cast<std::uint64_t>(copy.st_dev), static_cast<std::uint64_t>(copy.st_ino)});
    return m_folder / recordFolder / name;
}
