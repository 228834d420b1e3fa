#include "fs/file_calls_win.h"

#include "fs/outcome.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kChunk = 1 << 20;

bool SetDeleteOnClose(HANDLE file, bool remove)
{
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

}  // namespace

std::wstring Win32Path(const fs::path& path)
{
    std::wstring text = path.native();
    constexpr size_t kOldLimit = 240;  // MAX_PATH, less room for a name inside
    if (text.size() < kOldLimit || !path.is_absolute() || text.rfind(LR"(\\?\)", 0) == 0)
        return text;
    // The prefix turns off the conversions the shorter form gets, so the
    // path must already be in the system's own form.
    std::wstring full = path.lexically_normal().make_preferred().native();
    if (full.rfind(LR"(\\)", 0) == 0)
        return LR"(\\?\UNC\)" + full.substr(2);
    return LR"(\\?\)" + full;
}

bool MakeFolders(const fs::path& folder)
{
    if (folder.empty())
        return false;
    DWORD attributes = ::GetFileAttributesW(Win32Path(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    fs::path parent = folder.parent_path();
    if (parent != folder && !parent.empty() && !MakeFolders(parent))
        return false;
    return ::CreateDirectoryW(Win32Path(folder).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

int ErrnoOf(DWORD error)
{
    switch (error)
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_OPERATION_ABORTED:
        return ECANCELED;
    default:
        return EIO;
    }
}

Win32Handle::~Win32Handle()
{
    Reset();
}

void Win32Handle::Reset(HANDLE handle)
{
    if (Valid())
        ::CloseHandle(m_handle);
    m_handle = handle;
}

std::optional<FileIdentity> IdentityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info))
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

HANDLE OpenFileForCopy(const fs::path& path)
{
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder can't be opened at all.
    HANDLE file = ::CreateFileW(Win32Path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        ::CloseHandle(file);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool WriteAllTo(HANDLE file, const void* data, size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0)
    {
        DWORD piece = size > kChunk ? kChunk : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, at, piece, &written, nullptr))
            return false;
        if (written == 0)
        {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        at += written;
        size -= written;
    }
    return true;
}

bool WriteThroughTemporary(const fs::path& destination, const std::function<bool(HANDLE)>& fill, int* error,
                           Existing existing)
{
    fs::path folder = destination.parent_path();
    if (folder.empty())
        folder = ".";
    static thread_local std::mt19937_64 random{std::random_device{}()};
    fs::path temporary;
    Win32Handle file;
    for (int attempt = 0; attempt < 16 && !file.Valid(); ++attempt)
    {
        temporary = folder / (L".quillory-" + std::to_wstring(random() % 1000000000) + L".tmp");
        file.Reset(::CreateFileW(Win32Path(temporary).c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() && ::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return FailWith(error, ErrnoOf(::GetLastError()));
    }
    if (!file.Valid())
        return FailWith(error, EEXIST);
    // Gone with the handle unless it is kept at the end. Shared for
    // deletion only, so that it can be renamed while it is open.
    if (!SetDeleteOnClose(file.Get(), true))
    {
        int reason = ErrnoOf(::GetLastError());
        file.Reset();
        ::DeleteFileW(Win32Path(temporary).c_str());
        return FailWith(error, reason);
    }
    if (!fill(file.Get()))
        return FailWith(error, ::GetLastError() == ERROR_OPERATION_ABORTED ? ECANCELED : ErrnoOf(::GetLastError()));
    if (!SetDeleteOnClose(file.Get(), false))
        return FailWith(error, ErrnoOf(::GetLastError()));
    const DWORD replace = existing == Existing::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (!::MoveFileExW(Win32Path(temporary).c_str(), Win32Path(destination).c_str(), replace))
    {
        int reason = ErrnoOf(::GetLastError());
        SetDeleteOnClose(file.Get(), true);
        return FailWith(error, reason);
    }
    return true;
}

bool CopyOpenFile(HANDLE in, const fs::path& destination, const std::atomic<bool>* stop, int* error,
                  Existing keep, CopyLimit limit)
{
    // Writing a file over itself would lose it.
    {
        Win32Handle existing(::CreateFileW(Win32Path(destination).c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (existing.Valid() && IdentityOf(existing.Get()) == IdentityOf(in))
            return true;
        if (existing.Valid() && keep == Existing::Keep)
            return FailWith(error, EEXIST);
    }

    std::vector<char> buffer(kChunk);
    bool longer = false;
    bool ok = WriteThroughTemporary(
        destination,
        [&](HANDLE out) {
            for (std::uint64_t left = limit.bytes;;)
            {
                if (StopRequested(stop))
                {
                    ::SetLastError(ERROR_OPERATION_ABORTED);
                    return false;
                }
                DWORD got = 0;
                const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(left, kChunk));
                if (want == 0)
                {
                    // At the limit: a source that must not pass it has
                    // no more.
                    char extra;
                    if (limit.refuseLonger && ::ReadFile(in, &extra, 1, &got, nullptr) && got > 0)
                    {
                        longer = true;
                        ::SetLastError(ERROR_FILE_TOO_LARGE);
                        return false;
                    }
                    return true;
                }
                if (!::ReadFile(in, buffer.data(), want, &got, nullptr))
                    return false;
                if (got == 0)
                    return true;
                if (!WriteAllTo(out, buffer.data(), got))
                    return false;
                left -= got;
            }
        },
        error, keep);
    if (!ok && longer && error)
        *error = EFBIG;
    return ok;
}

