#include "imaging/image_format.h"

#include <cstring>

namespace {

bool IsPng(const Bytes& data)
{
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

unsigned BigEndian16(const Bytes& data, size_t at)
{
    return static_cast<unsigned>(data[at]) << 8 | data[at + 1];
}

std::uint32_t BigEndian32(const Bytes& data, size_t at)
{
    return static_cast<std::uint32_t>(BigEndian16(data, at)) << 16 | BigEndian16(data, at + 2);
}

// The first chunk of every PNG is IHDR, which starts with the size.
std::optional<ImageSize> PngSize(const Bytes& data)
{
    if (data.size() < 24 || std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    std::uint32_t width = BigEndian32(data, 16), height = BigEndian32(data, 20);
    if (width > static_cast<std::uint32_t>(kMaxImageSide) || height > static_cast<std::uint32_t>(kMaxImageSide))
        return ImageSize{kMaxImageSide + 1, kMaxImageSide + 1};
    return ImageSize{static_cast<int>(width), static_cast<int>(height)};
}

// Walks the JPEG's marker segments up to the first start-of-frame, which
// holds the size; every step is bounded by the data.
std::optional<ImageSize> JpegSize(const Bytes& data)
{
    size_t at = 2;
    while (at + 4 <= data.size())
    {
        if (data[at] != 0xFF)
            return std::nullopt;
        unsigned marker = data[at + 1];
        if (marker == 0xFF)
        {
            ++at;  // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
        {
            at += 2;  // markers without a segment
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return std::nullopt;  // image data or its end before any frame
        unsigned length = BigEndian16(data, at + 2);
        if (length < 2)
            return std::nullopt;
        bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
        {
            if (length < 7 || at + 9 > data.size())
                return std::nullopt;
            return ImageSize{static_cast<int>(BigEndian16(data, at + 7)), static_cast<int>(BigEndian16(data, at + 5))};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

bool WithinImageLimits(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxImagePixels;
}

ImageFormat SniffImageFormat(const Bytes& data)
{
    if (IsPng(data))
        return ImageFormat::Png;
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageFormat::Jpeg;
    return ImageFormat::Unknown;
}

std::optional<ImageSize> HeaderImageSize(const Bytes& data)
{
    switch (SniffImageFormat(data))
    {
    case ImageFormat::Png:
        return PngSize(data);
    case ImageFormat::Jpeg:
        return JpegSize(data);
    case ImageFormat::Unknown:
        break;
    }
    return std::nullopt;
}

ScaledSize ScaleToFit(int width, int height, int maxWidth, int maxHeight)
{
    if (width >= height && width > maxWidth)
    {
        float ratio = static_cast<float>(maxWidth) / static_cast<float>(width);
        return {maxWidth, static_cast<int>(static_cast<float>(height) * ratio), true};
    }
    if (height >= width && height > maxHeight)
    {
        float ratio = static_cast<float>(maxHeight) / static_cast<float>(height);
        return {static_cast<int>(static_cast<float>(width) * ratio), maxHeight, true};
    }
    return {width, height, false};
}
