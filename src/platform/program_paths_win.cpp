// The user's folders as Windows names them.

#include "platform/program_paths.h"

#include <windows.h>
#include <shlobj.h>

namespace fs = std::filesystem;

namespace {

fs::path KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    fs::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)) && path)
        folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

}  // namespace

UserFolders CurrentUserFolders()
{
    UserFolders user;
    user.home = KnownFolder(FOLDERID_Profile);
    user.cache = KnownFolder(FOLDERID_LocalAppData);
    user.documents = KnownFolder(FOLDERID_Documents);
    if (user.documents.empty())
        user.documents = user.home;
    return user;
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    // Access bits don't tell on Windows: only a file made there does.
    std::filesystem::path probe = folder / L".quillory-write-test";
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(file);
    return true;
}

fs::path ExecutablePath(const fs::path& fallback)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;)
    {
        DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return fallback;
        if (length < buffer.size())
            return fs::path(buffer.substr(0, length));
        if (buffer.size() >= 32768)
            return fallback;
        buffer.resize(buffer.size() * 2);
    }
}
