#include "platform/program_files.h"

#include <system_error>

namespace fs = std::filesystem;

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
             {bin.parent_path() / "share" / "quillory" / fs::u8path(installedName), bin / relative,
              bin / fs::u8path(installedName)})
            if (fs::is_regular_file(candidate, ec))
                return candidate;
    }
    return relative;
}
