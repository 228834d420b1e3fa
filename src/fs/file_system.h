#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>

// What the file system told about a file; nullopt for what it didn't.
struct FileStatus
{
    std::optional<std::uint64_t> size;
    std::optional<std::time_t> accessed;
    std::optional<std::time_t> modified;
    std::optional<std::time_t> created;  // birth time, where the file system keeps one
};

// Reads the status of `path`, following symbolic links.
FileStatus StatusOf(const std::filesystem::path& path);

// Creates `folder` and any missing parents as private to the user.
bool MakePrivateFolder(const std::filesystem::path& folder);
