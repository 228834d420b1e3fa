// The copy routine with POSIX calls, through the folder's descriptor.

#include "fs/copy_file.h"

#include "fs/file_calls_linux.h"
#include "fs/outcome.h"

#include <sys/stat.h>

#include <cerrno>

namespace fs = std::filesystem;

bool CopyFileData(const fs::path& source, const fs::path& destination, const std::atomic<bool>* stop, int* error,
                  Existing existing)
{
    struct stat sourceStatus;
    FileDescriptor in(OpenRegularFile(source, &sourceStatus));
    if (!in.Valid())
        return FailWith(error, errno);

    struct stat destinationStatus;
    if (::lstat(destination.c_str(), &destinationStatus) == 0 && existing == Existing::Keep)
        return FailWith(error, EEXIST);  // early; the final link would refuse it all the same
    if (::stat(destination.c_str(), &destinationStatus) == 0 && destinationStatus.st_dev == sourceStatus.st_dev &&
        destinationStatus.st_ino == sourceStatus.st_ino)
        return true;

    std::string name;
    FileDescriptor dir(OpenParentFolder(destination, name));
    if (!dir.Valid())
        return FailWith(error, errno);
    return CopyOpenFileAt(in.Get(), dir.Get(), name, sourceStatus.st_mode & 07777, stop, error, existing);
}

bool ReplaceFileWith(const fs::path& destination, const void* data, size_t size, int* error)
{
    return ReplaceFile(destination, 0644,
                       [&](int out) { return WriteAll(out, static_cast<const char*>(data), size); }, error);
}

bool WriteNewFile(const fs::path& destination, const void* data, size_t size, int* error)
{
    return ReplaceFile(
        destination, 0644, [&](int out) { return WriteAll(out, static_cast<const char*>(data), size); }, error,
        Existing::Keep);
}
