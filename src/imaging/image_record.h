#pragma once

#include "clipboard/clip_snapshot.h"
#include "imaging/image_format.h"

#include <cstdint>
#include <memory>
#include <optional>

class wxImage;

// The size of the preview every record carries: the image page's preview
// box, which shows it from its top-left corner.
constexpr int kPreviewBoxWidth = 340;
constexpr int kPreviewBoxHeight = 213;

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
    SharedForms forms;    // the copy's other forms (a browser's html of the picture); null for none
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

// Clipboard image bytes decoded once, for the newness test and the record
// made of them.
class DecodedImage
{
public:
    // nullopt for bytes that are no PNG or JPEG, for images over the limit
    // and for damaged ones.
    static std::optional<DecodedImage> Decode(const Bytes& data);

    ImageFingerprint Fingerprint() const;
    // The record of these pixels, `offered` being the bytes they came from.
    ImageRecord Record(const Bytes& offered) const;

private:
    explicit DecodedImage(std::shared_ptr<const wxImage> image) : m_image(std::move(image)) {}

    std::shared_ptr<const wxImage> m_image;
};

// The record's full image as PNG, the form it is put back on the clipboard
// in: the record's own bytes when it is one, else encoded from them (slow
// for a large image: not for the GUI thread). Null when it can't be made.
SharedBytes PngOf(const ImageRecord& record);

// The record's image as a JPEG, transparent parts laid on white; empty
// when it can't be made.
Bytes FlattenedJpegOf(const ImageRecord& record);
