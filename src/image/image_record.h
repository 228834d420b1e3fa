#pragma once

#include "clipboard/clip_image.h"
#include "clipboard/clip_snapshot.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class wxImage;


// The preview box of the image page.
constexpr int kPreviewBoxWidth = 340;
constexpr int kPreviewBoxHeight = 213;

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

// One recorded image, kept as the bytes it was offered in (a PNG as PNG, a
// JPEG as JPEG): nothing is held that was not copied, the bytes are
// readable from any thread, and decoding happens only for the save and the
// few that are put back. The preview is already scaled into the preview box
// and cut at its edges, so showing a record is a small decode.
struct ImageRecord
{
    int width = 0;   // the captured size
    int height = 0;
    ImageFormat format = ImageFormat::Unknown;  // of `data`
    SharedBytes data;
    SharedBytes preview;  // a PNG or JPEG, or `data` itself when the whole image fits the box
};

// What decides whether an image is new: its size and its decoded pixels,
// alpha included (never the encoded bytes, which differ whenever another
// program re-encodes the same picture).
struct ImageFingerprint
{
    int width = 0;
    int height = 0;
    std::uint64_t colourHash = 0;
    std::uint64_t alphaHash = 0;

    bool operator==(const ImageFingerprint& other) const
    {
        return width == other.width && height == other.height && colourHash == other.colourHash &&
               alphaHash == other.alphaHash;
    }
};

ImageFingerprint FingerprintOf(const wxImage& image);

struct ImageSize
{
    int width;
    int height;
};

// Width and height as the header states them, read without decoding;
// nullopt when the header can't be found or states no size.
std::optional<ImageSize> HeaderImageSize(const Bytes& data);

// Decodes clipboard image bytes; nullopt for bytes that are no PNG or JPEG,
// for images over the limit and for damaged ones. Masks become alpha.
std::optional<wxImage> DecodeImage(const Bytes& data);

// Registers the image handlers the program uses: PNG and JPEG, nothing else.
void RegisterImageHandlers();

// The record for a decoded image: `offered`, the bytes it was decoded from,
// are kept as they are when they are a PNG or a JPEG; anything else is kept
// as a PNG of the image.
ImageRecord MakeImageRecord(const wxImage& image, const Bytes& offered);

// The record's full image as PNG, the form it is put back on the clipboard
// in: the record's own bytes when it is one, else encoded from them (slow
// for a large image: not for the GUI thread). Null when it can't be made.
SharedBytes PngOf(const ImageRecord& record);

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

// The image scaled by ScaleToFit with normal quality; unscaled images come
// back as they are.
wxImage ScaleBitmap(const wxImage& source, int maxWidth, int maxHeight);

// The image page keeps only images at least 5 pixels wide and 5 high.
bool AcceptsImageSize(int width, int height);
