#pragma once

#include <filesystem>
#include <string>

// Where the program keeps what it writes. Everything lives below the folder
// of the running executable, so several copies of the program never meet.

// The running executable's path as the file system spells it, byte for
// byte whatever the encoding; `fallback` where the system can't tell.
std::filesystem::path ExecutablePath(const std::filesystem::path& fallback);

// The folder that holds the executable named by `executablePath`. A bare
// name (a program started through PATH, as argv[0] shows it) stands for the
// current folder, never for the file-system root.
std::filesystem::path ProgramDirectoryOf(const std::filesystem::path& executablePath);

// Stored copies of recorded files, deleted again at exit.
std::filesystem::path CopiedFilesFolder(const std::filesystem::path& programDir);

// Removes `folder` and everything below it, judging entries by their real
// type and never following a symbolic link out of the folder. A missing
// folder is not an error; nothing is ever reported.
void DeleteDirectoryTree(const std::filesystem::path& folder);
