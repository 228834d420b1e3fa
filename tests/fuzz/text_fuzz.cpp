// Feeds arbitrary clipboard bytes to the text conversions: the owner's
// answer under each type, and the readable form the preview shows.

#include "clipboard/clip_text.h"
#include "records/preview_part.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool IsValidUtf8WithoutNul(const std::string& text)
{
    return ReadableText(text) == text && text.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Kept byte for byte where the type says UTF-8.
    auto utf8 = RecordedText("UTF8_STRING", bytes);
    if (!utf8 || *utf8 != bytes)
        std::abort();
    // Latin-1 always becomes valid UTF-8, twice as long at most.
    std::string latin1 = Latin1ToUtf8(bytes);
    if (latin1.size() > 2 * size || ReadableText(latin1).size() < latin1.size())
        std::abort();
    // And back again, exactly; anything else that goes to Latin-1 comes
    // back unchanged.
    auto back = Utf8ToLatin1(latin1);
    if (!back || *back != bytes)
        std::abort();
    if (auto narrowed = Utf8ToLatin1(bytes); narrowed && Latin1ToUtf8(*narrowed) != bytes)
        std::abort();
    RecordedText("COMPOUND_TEXT", bytes);
    // What the preview shows is always valid UTF-8 without NULs, and a
    // second pass changes nothing.
    std::string readable = ReadableText(bytes);
    if (!IsValidUtf8WithoutNul(readable))
        std::abort();
    std::string_view part = PreviewPart(std::string(bytes), 64, 16);
    if (part.size() > size)
        std::abort();
    return 0;
}
