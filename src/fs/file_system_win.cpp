// What the file records and the program ask of the file system, with Win32 calls.

#include "fs/file_system.h"

#include "fs/file_calls_win.h"

namespace fs = std::filesystem;

namespace {

// FILETIME counts 100 ns from 1601; time_t seconds from 1970.
std::optional<std::time_t> TimeOf(const FILETIME& time)
{
    std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks == 0)
        return std::nullopt;
    constexpr std::uint64_t kEpoch = 116444736000000000ULL;
    if (ticks < kEpoch)
        return std::nullopt;
    return static_cast<std::time_t>((ticks - kEpoch) / 10000000ULL);
}

}  // namespace

FileStatus StatusOf(const fs::path& path)
{
    FileStatus status;
    // Opened, so that a link is followed to the file itself.
    Win32Handle file(::CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info))
        return status;
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.accessed = TimeOf(info.ftLastAccessTime);
    status.modified = TimeOf(info.ftLastWriteTime);
    status.created = TimeOf(info.ftCreationTime);
    return status;
}

bool MakePrivateFolder(const fs::path& folder)
{
    // The folder takes the permissions of the folder above it, as
    // everything the user makes there does.
    return MakeFolders(folder);
}
