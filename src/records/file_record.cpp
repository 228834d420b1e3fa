#include "records/file_record.h"

#include "records/stored_copies.h"
#include "fs/file_system.h"

#include <wx/time.h>

#include <system_error>

namespace fs = std::filesystem;

std::string FileNameOf(const fs::path& path)
{
    return path.filename().u8string();
}

std::string FileTypeOf(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string SizeText(std::optional<std::uint64_t> bytes)
{
    if (!bytes)
        return "unknown";
    return std::to_string(*bytes / 1024) + "kb";
}

std::string TimeText(std::optional<std::time_t> time)
{
    if (!time)
        return "unknown";
    struct tm local;
    if (!wxLocaltime_r(&*time, &local))
        return "unknown";
    char text[64];
    if (std::strftime(text, sizeof text, "%m/%d/%y at %H:%M:%S", &local) == 0)
        return "unknown";
    return text;
}

wxString DisplayPath(const fs::path& path)
{
    return wxString(path.c_str(), *wxConvFileName);
}

FileRecord MakeFileRecord(const fs::path& path, std::uint32_t number, StoredCopies& store,
                          const std::atomic<bool>* stop)
{
    // The status is read before the copy reads the file, so the times
    // shown are the file's own.
    FileStatus status = StatusOf(path);

    FileRecord record;
    record.path = path;
    record.pathText = DisplayPath(path);
    std::string name = FileNameOf(path);
    record.name = DisplayPath(fs::u8path(name));
    record.type = DisplayPath(fs::u8path(FileTypeOf(name)));
    record.size = SizeText(status.size);
    record.accessed = TimeText(status.accessed);
    record.modified = TimeText(status.modified);
    record.created = TimeText(status.created);

    // A location that does not exist is never shown, nor handed back.
    int error = 0;
    record.storedCopy = store.Store(path, number, name, stop, &error);
    if (!record.storedCopy.empty())
        record.storedCopyText = DisplayPath(record.storedCopy);
    return record;
}
