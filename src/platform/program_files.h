#pragma once

#include <filesystem>
#include <string>

// The running executable's path as the file system spells it, byte for
// byte whatever the encoding; `fallback` where the system can't tell.
std::filesystem::path ExecutablePath(const std::filesystem::path& fallback = {});

// A file that comes with the program: `relative` below the working folder,
// where the program always looked first; then in the installed data folder
// (<prefix>/share/quillory/<installedName>, the prefix being the folder
// above the executable's); then beside the executable. The first that
// exists, else `relative` as it was.
std::filesystem::path FindProgramFile(const std::filesystem::path& relative, const std::string& installedName);
