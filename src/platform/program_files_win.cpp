#include "platform/program_files.h"

#include <windows.h>

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
