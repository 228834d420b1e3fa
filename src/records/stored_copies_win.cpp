// The copied-files folder with Win32 calls. Folders here carry no owner
// bits to check; the folder is ours when it is a real folder (no junction
// or link) holding our mark, and nothing is ever followed through a
// junction or link when it is removed.

#include "records/stored_copies.h"

#include "fs/file_calls_win.h"
#include "fs/outcome.h"

#include <cerrno>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t kMark[] = L".quillory-stored-copies";

bool IsRealFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsOurFolder(const fs::path& folder)
{
    if (!IsRealFolder(::GetFileAttributesW(Win32Path(folder).c_str())))
        return false;
    DWORD mark = ::GetFileAttributesW(Win32Path(folder / kMark).c_str());
    return mark != INVALID_FILE_ATTRIBUTES && !(mark & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool RemoveEntry(const fs::path& path, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(Win32Path(path).c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    // A junction or a link to a folder is removed as a folder, which
    // removes the link and nothing it points to.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return ::RemoveDirectoryW(Win32Path(path).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
    return ::DeleteFileW(Win32Path(path).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

// Empties `folder`; the mark goes last, so that a removal cut short is
// finished by the next start.
bool EmptyFolder(const fs::path& folder, int depth = 0)
{
    if (depth > 64)
        return false;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(Win32Path(folder / L"*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    std::vector<std::pair<std::wstring, DWORD>> entries;
    do
    {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L".." && (depth > 0 || name != kMark))
            entries.emplace_back(name, entry.dwFileAttributes);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);

    bool all = true;
    for (const auto& [name, attributes] : entries)
    {
        fs::path path = folder / name;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            all = EmptyFolder(path, depth + 1) && all;
        all = RemoveEntry(path, attributes) && all;
    }
    return all;
}

}  // namespace

struct StoredCopies::HeldFolder
{
};

StoredCopies::StoredCopies(fs::path folder) : m_folder(std::move(folder)) {}

StoredCopies::~StoredCopies() = default;

bool IsStorableName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

StoredCopies::Found StoredCopies::Examine(const fs::path& folder)
{
    DWORD attributes = ::GetFileAttributesW(Win32Path(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
    {
        DWORD reason = ::GetLastError();
        return reason == ERROR_FILE_NOT_FOUND || reason == ERROR_PATH_NOT_FOUND ? Found::Nothing : Found::Taken;
    }
    return IsOurFolder(folder) ? Found::Ours : Found::Taken;
}

bool StoredCopies::RemoveIfOurs(const fs::path& folder)
{
    switch (Examine(folder))
    {
    case Found::Nothing:
        return true;
    case Found::Taken:
        return true;  // not ours: nothing of ours to remove
    case Found::Ours:
        break;
    }
    if (!EmptyFolder(folder))
        return false;
    ::DeleteFileW(Win32Path(folder / kMark).c_str());
    return ::RemoveDirectoryW(Win32Path(folder).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

// On Windows the removal stays whole, in this process: the hand-off to a
// process that outlives this one was built for POSIX systems only.
bool StoredCopies::RemoveSoon(const fs::path& folder, std::chrono::milliseconds)
{
    return RemoveIfOurs(folder);
}

void StoredCopies::RemoveLeftAside(const fs::path&) {}

bool StoredCopies::OpenFolder(int* error)
{
    if (m_dir)
        return true;
    if (m_disabled)
        return FailWith(error, EEXIST);
    MakeFolders(m_folder.parent_path());
    if (!::CreateDirectoryW(Win32Path(m_folder).c_str(), nullptr))
    {
        DWORD reason = ::GetLastError();
        if (reason == ERROR_ALREADY_EXISTS && Examine(m_folder) == Found::Ours)
        {
            m_dir = std::make_unique<HeldFolder>();
            return true;
        }
        if (reason == ERROR_ALREADY_EXISTS)
            m_disabled = true;
        return FailWith(error, ErrnoOf(reason));
    }
    Win32Handle mark(::CreateFileW(Win32Path(m_folder / kMark).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!mark.Valid())
        return FailWith(error, ErrnoOf(::GetLastError()));
    m_dir = std::make_unique<HeldFolder>();
    return true;
}

bool StoredCopies::SpaceOf(std::uint64_t& free, std::uint64_t& total) const
{
    ULARGE_INTEGER available, size;
    if (!::GetDiskFreeSpaceExW(Win32Path(m_folder).c_str(), &available, &size, nullptr))
        return false;
    free = available.QuadPart;
    total = size.QuadPart;
    return true;
}

fs::path StoredCopies::Store(const fs::path& source, std::uint32_t number, const std::string& name,
                             const std::atomic<bool>* stop, int* error)
{
    if (!IsStorableName(name))
        return FailWith(error, EINVAL), fs::path();
    if (StopRequested(stop))
        return FailWith(error, ECANCELED), fs::path();

    Win32Handle in(OpenFileForCopy(source));
    if (!in.Valid())
        return FailWith(error, ErrnoOf(::GetLastError())), fs::path();
    if (!OpenFolder(error))
        return {};

    const fs::path recordFolder = m_folder / std::to_wstring(number);
    if (!::CreateDirectoryW(Win32Path(recordFolder).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return FailWith(error, ErrnoOf(::GetLastError())), fs::path();
    if (!IsRealFolder(::GetFileAttributesW(Win32Path(recordFolder).c_str())))
        return FailWith(error, ENOTDIR), fs::path();
    const fs::path copy = recordFolder / fs::u8path(name);

    bool stored = false;
    std::optional<FileIdentity> sourceIdentity = IdentityOf(in.Get());
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(in.Get(), &info))
        return FailWith(error, ErrnoOf(::GetLastError())), fs::path();
    const std::uint64_t size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const auto key = std::make_tuple(
        std::uint64_t(info.dwVolumeSerialNumber), (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
        size, static_cast<std::int64_t>((std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                        info.ftLastWriteTime.dwLowDateTime));
    if (sourceIdentity && m_stored.count(*sourceIdentity))
        // Already one of ours (a copy put back on the clipboard): the new
        // record shares its bytes.
        stored = ::CreateHardLinkW(Win32Path(copy).c_str(), Win32Path(source).c_str(), nullptr) != 0;
    else if (auto copied = m_copies.find(key); copied != m_copies.end())
        // The same file recorded again, unchanged: one copy serves both.
        stored = ::CreateHardLinkW(Win32Path(copy).c_str(), Win32Path(m_folder / copied->second).c_str(), nullptr) != 0;
    if (!stored)
    {
        const CopyLimit limit = StoredCopyLimit(size, false);
        if (!HasRoomFor(limit.bytes, error) || !CopyOpenFile(in.Get(), copy, stop, error, Existing::Replace, limit))
            return {};
        m_copies[key] = fs::path(std::to_wstring(number)) / fs::u8path(name);
    }

    Win32Handle made(::CreateFileW(Win32Path(copy).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   0, nullptr));
    if (made.Valid())
        if (std::optional<FileIdentity> identity = IdentityOf(made.Get()))
            m_stored.insert(*identity);
    return copy;
}
