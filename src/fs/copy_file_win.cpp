// The copy routine with Win32 calls and wide paths: any name the file
// system takes works, whatever the ANSI code page.

#include "fs/copy_file.h"

#include "fs/file_calls_win.h"
#include "fs/outcome.h"

#include <cerrno>

namespace fs = std::filesystem;

bool CopyFileData(const fs::path& source, const fs::path& destination, const std::atomic<bool>* stop, int* error,
                  Existing existing)
{
    if (StopRequested(stop))
        return FailWith(error, ECANCELED);
    Win32Handle in(OpenFileForCopy(source));
    if (!in.Valid())
        return FailWith(error, ErrnoOf(::GetLastError()));
    return CopyOpenFile(in.Get(), destination, stop, error, existing);
}

bool ReplaceFileWith(const fs::path& destination, const void* data, size_t size, int* error)
{
    return WriteThroughTemporary(destination, [&](HANDLE out) { return WriteAllTo(out, data, size); }, error);
}

bool WriteNewFile(const fs::path& destination, const void* data, size_t size, int* error)
{
    return WriteThroughTemporary(
        destination, [&](HANDLE out) { return WriteAllTo(out, data, size); }, error, Existing::Keep);
}
