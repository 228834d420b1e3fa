#pragma once

#include "clipboard/clip_snapshot.h"

#include <cstdint>

class wxImage;

// The largest image taken from the clipboard: 64 Mi pixels (8192 x 8192,
// or an 8K frame several times over), each side at most 65535. Larger
// claims are refused from the header, or from what the system says of a
// bitmap, before any pixel memory is taken; at the limit a decode takes
// about 4 bytes a pixel (256 MB) beside the encoded bytes.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t(64) << 20;
constexpr int kMaxImageSide = 65535;

// Whether an image of this size may be decoded or taken.
bool WithinImageLimits(std::int64_t width, std::int64_t height);

// The image as PNG, the form every image is kept and handed back in;
// empty when it can't be encoded.
Bytes EncodePng(const wxImage& image);
