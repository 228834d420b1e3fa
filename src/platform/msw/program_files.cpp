#include "platform/program_files.h"

#include <windows.h>

#include <system_error>

namespace fs = std::filesystem;

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

fs::path FindProgramFile(const fs::path& relative, const std::string& installedName)
{
    std::error_code ec;
    if (fs::is_regular_file(relative, ec))
        return relative;
    const fs::path executable = ExecutablePath();
    if (!executable.empty())
    {
        const fs::path folder = executable.parent_path();
        for (const fs::path& candidate : {folder / relative, folder / fs::u8path(installedName)})
            if (fs::is_regular_file(candidate, ec))
                return candidate;
    }
    return relative;
}
