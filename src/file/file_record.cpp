#include "file/file_record.h"

#include "file/stored_copies.h"

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

std::string FileNameOf(const fs::path& path)
{
    const std::string& text = path.native();
    size_t slash = text.rfind('/');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string FileTypeOf(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string SizeText(std::optional<std::uint64_t> bytes)
{
    if (!bytes)
        return "unknown";
    return std::to_string(*bytes / 1024) + "kb";
}

std::string TimeText(std::optional<std::time_t> time)
{
    if (!time)
        return "unknown";
    struct tm local;
    if (!::localtime_r(&*time, &local))
        return "unknown";
    char text[64];
    if (std::strftime(text, sizeof text, "%m/%d/%y at %H:%M:%S", &local) == 0)
        return "unknown";
    return text;
}

wxString DisplayPath(const fs::path& path)
{
    return wxString(path.c_str(), *wxConvFileName);
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

FileRecord MakeFileRecord(const fs::path& path, std::uint32_t number, StoredCopies& store,
                          const std::atomic<bool>* stop)
{
    // The status is read before the copy reads the file, so the times
    // shown are the file's own.
    FileStatus status = StatusOf(path);

    FileRecord record;
    record.path = path;
    record.pathText = DisplayPath(path);
    std::string name = FileNameOf(path);
    record.name = DisplayPath(name);
    record.type = DisplayPath(FileTypeOf(name));
    record.size = SizeText(status.size);
    record.accessed = TimeText(status.accessed);
    record.modified = TimeText(status.modified);
    record.created = TimeText(status.created);

    // A location that does not exist is never shown, nor handed back.
    int error = 0;
    record.storedCopy = store.Store(path, number, name, stop, &error);
    if (!record.storedCopy.empty())
        record.storedCopyText = DisplayPath(record.storedCopy);
    return record;
}
