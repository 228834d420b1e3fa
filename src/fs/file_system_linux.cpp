// What the file records and the program ask of a POSIX file system.

#include "fs/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace fs = std::filesystem;

FileStatus StatusOf(const fs::path& path)
{
    FileStatus status;
    struct statx info;
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return status;
    if (info.stx_mask & STATX_SIZE)
        status.size = info.stx_size;
    if (info.stx_mask & STATX_ATIME)
        status.accessed = info.stx_atime.tv_sec;
    if (info.stx_mask & STATX_MTIME)
        status.modified = info.stx_mtime.tv_sec;
    // The status-change time is no creation time: without a birth time the
    // creation time is unknown.
    if (info.stx_mask & STATX_BTIME)
        status.created = info.stx_btime.tv_sec;
    return status;
}

bool MakePrivateFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    if (folder.has_parent_path() && folder.parent_path() != folder && !MakePrivateFolder(folder.parent_path()))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && fs::is_directory(folder, ec));
}
