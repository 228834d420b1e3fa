// One running program per folder, with a named mutex of the session: it
// creates nothing in the folder and goes with the process.

#include "platform/instance_lock.h"

#include <windows.h>

#include <string>

namespace {

// Object names can't hold every path, so the folder is named by a hash of
// its full path, case folded as the file system folds it.
std::wstring MutexNameOf(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::weakly_canonical(folder, ec);
    std::wstring text = (ec ? folder : full).wstring();
    if (!text.empty())
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    std::uint64_t hash = 14695981039346656037ULL;
    for (wchar_t c : text)
    {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ULL;
    }
    wchar_t name[64];
    ::swprintf(name, 64, L"Local\\Quillory-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

}  // namespace

InstanceLock::~InstanceLock()
{
    if (m_held)
        ::CloseHandle(reinterpret_cast<HANDLE>(m_lock));
}

bool InstanceLock::Acquire(const std::filesystem::path& folder)
{
    if (m_held)
        return true;
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, MutexNameOf(folder).c_str());
    if (!mutex)
        return true;  // nothing to share with
    if (::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        ::CloseHandle(mutex);
        return false;
    }
    m_lock = reinterpret_cast<std::intptr_t>(mutex);
    m_held = true;
    return true;
}
