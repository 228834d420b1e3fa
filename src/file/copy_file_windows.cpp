// The copy routine with Win32 calls and wide paths: any name the file
// system takes works, whatever the ANSI code page.

#include "file/copy_file.h"

#include "file/win32_file.h"

#include <cerrno>

namespace fs = std::filesystem;

bool CopyFileData(const fs::path& source, const fs::path& destination, const std::atomic<bool>* stop, int* error)
{
    if (stop && stop->load(std::memory_order_relaxed))
        return FailWith(error, ECANCELED);
    Win32Handle in(OpenFileForCopy(source));
    if (!in.Valid())
        return FailWith(error, ErrnoOf(::GetLastError()));
    return CopyOpenFile(in.Get(), destination, stop, error);
}

bool ReplaceFileWith(const fs::path& destination, const void* data, size_t size, int* error)
{
    return WriteThroughTemporary(destination, [&](HANDLE out) { return WriteAllTo(out, data, size); }, error);
}
