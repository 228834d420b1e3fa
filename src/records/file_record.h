#pragma once

#include <wx/string.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

class StoredCopies;

// One recorded file: its details as texts made once, when it was recorded,
// and where its stored copy lies. Paths are the file system's bytes; the
// texts are for display.
struct FileRecord
{
    std::filesystem::path path;        // exactly as received
    std::filesystem::path storedCopy;  // empty when no copy could be made
    wxString pathText;
    wxString storedCopyText;
    wxString size;
    wxString type;
    wxString name;
    wxString accessed;
    wxString modified;
    wxString created;
};

// The text after the last separator; the text after the name's last ".",
// empty for a name without one.
std::string FileNameOf(const std::filesystem::path& path);
std::string FileTypeOf(const std::string& name);

// "4kb": whole units of 1024 bytes; "unknown" when the size is unknown.
std::string SizeText(std::optional<std::uint64_t> bytes);

// "12/07/26 at 00:03:23" in local time, whatever the user's locale;
// "unknown" when there is no time or it can't be converted.
std::string TimeText(std::optional<std::time_t> time);

// Paths as the toolkit shows them; the conversion is reversible for bytes
// that are not valid in the file-name encoding.
wxString DisplayPath(const std::filesystem::path& path);

// Examines and stores one file for record number `number`: its copy goes
// into a folder of the record's own below the copied-files folder, so no
// two records ever share a name, under the file's own name, so that what
// the user pastes back has it. Every step may fail; a record is made
// whatever happens, without a stored copy when none could be made.
FileRecord MakeFileRecord(const std::filesystem::path& path, std::uint32_t number, StoredCopies& store,
                          const std::atomic<bool>* stop);
