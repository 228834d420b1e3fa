#include "platform/program_files.h"

#include <unistd.h>

#include <system_error>
#include <vector>

namespace fs = std::filesystem;

fs::path ExecutablePath(const fs::path& fallback)
{
    std::vector<char> buffer(4096);
    for (;;)
    {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return fallback;
        if (static_cast<size_t>(length) < buffer.size())
            return fs::path(std::string(buffer.data(), static_cast<size_t>(length)));
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
        const fs::path bin = executable.parent_path();
        for (const fs::path& candidate :
             {bin.parent_path() / "share" / "quillory" / installedName, bin / relative, bin / installedName})
            if (fs::is_regular_file(candidate, ec))
                return candidate;
    }
    return relative;
}
