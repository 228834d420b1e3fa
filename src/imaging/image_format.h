#pragma once

#include "clipboard/clip_snapshot.h"

#include <cstdint>
#include <optional>

// What can be told of clipboard image bytes without decoding them, and the
// bounds every image taken from the clipboard is held to.

// The largest image taken from the clipboard: 64 Mi pixels (8192 x 8192,
// or an 8K frame several times over), each side at most 65535. Larger
// claims are refused from the header, or from what the system says of a
// bitmap, before any pixel memory is taken; at the limit a decode takes
// about 4 bytes a pixel (256 MB) beside the encoded bytes.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t(64) << 20;
constexpr int kMaxImageSide = 65535;

// Whether an image of this size may be decoded or taken.
bool WithinImageLimits(std::int64_t width, std::int64_t height);

// Clipboard images are untrusted bytes: only PNG and JPEG are decoded, by
// libpng and libjpeg through the toolkit's handlers, chosen by the bytes'
// signature whatever the format's name claimed. Other formats are refused.
enum class ImageFormat
{
    Unknown,
    Png,
    Jpeg
};
ImageFormat SniffImageFormat(const Bytes& data);

struct ImageSize
{
    int width;
    int height;
};

// Width and height as the header states them, read without decoding;
// nullopt when the header can't be found or states no size.
std::optional<ImageSize> HeaderImageSize(const Bytes& data);

// The size the preview scaling gives: only the longer side is compared with
// its own bound (the width wins for a square), the ratio is single
// precision and the other side is truncated toward zero. An image that
// needs no scaling keeps its size.
struct ScaledSize
{
    int width;
    int height;
    bool scaled;
};
ScaledSize ScaleToFit(int width, int height, int maxWidth, int maxHeight);
