// Feeds arbitrary clipboard bytes to the image decoding, as the capture
// thread meets them: the header checks, then libpng or libjpeg through the
// toolkit's handlers, then the fingerprint and the record.

#include "imaging/image_codec.h"
#include "imaging/image_record.h"

#include <wx/image.h>
#include <wx/init.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer toolkit;
    RegisterImageHandlers();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    Bytes bytes(data, data + size);
    std::optional<ImageSize> header = HeaderImageSize(bytes);
    std::optional<wxImage> image = DecodeImage(bytes);
    if (!image)
        return 0;
    // Nothing is decoded without a header within the limits, and the
    // decoder agrees with it.
    if (!header || image->GetWidth() != header->width || image->GetHeight() != header->height ||
        static_cast<std::uint64_t>(header->width) * header->height > kMaxImagePixels)
        std::abort();
    FingerprintOf(*image);
    if (image->GetWidth() * static_cast<std::uint64_t>(image->GetHeight()) <= 4096 * 4096)
        MakeImageRecord(*image, bytes);
    return 0;
}
