// Feeds arbitrary clipboard bytes to the decoding of file lists and to the
// derivation of names, types and stored-copy places, checking what must
// always hold.

#include "clipboard/uri_list.h"
#include "records/file_record.h"
#include "records/stored_copies.h"

#include <cstdint>
#include <cstdlib>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto paths = ParseFileUriList(input, "myhost");
    if (!paths)
        return 0;
    if (paths->empty())
        std::abort();
    for (const fs::path& path : *paths)
    {
        // Every decoded path is absolute, and survives the way back.
        if (path.native().empty() || path.native()[0] != '/')
            std::abort();
        auto again = ParseFileUriList(FileUri(path) + "\r\n", "myhost");
        if (!again || again->size() != 1 || (*again)[0] != path)
            std::abort();

        std::string name = FileNameOf(path);
        std::string type = FileTypeOf(name);
        if (name.find('/') != std::string::npos)
            std::abort();
        if (type.size() > name.size() || name.compare(name.size() - type.size(), type.size(), type) != 0)
            std::abort();

        // A name that is stored is one name, never a way out of its folder.
        if (IsStorableName(name) && (fs::path(name).has_parent_path() || name == ".."))
            std::abort();
    }
    return 0;
}
