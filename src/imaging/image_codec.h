#pragma once

#include "clipboard/clip_snapshot.h"
#include "imaging/image_record.h"

#include <optional>

class wxImage;

// Decoding and encoding through the toolkit's image type, for the code
// that shows images or hands them to the system. The capture thread and
// the save use image_record.h, which keeps that type out of sight.

// Registers the image handlers the program uses: PNG and JPEG, nothing else.
void RegisterImageHandlers();

// Decodes clipboard image bytes; nullopt for bytes that are no PNG or JPEG,
// for images over the limit and for damaged ones. Masks become alpha.
std::optional<wxImage> DecodeImage(const Bytes& data);

// The image as PNG; empty when it can't be encoded.
Bytes EncodePng(const wxImage& image);

ImageFingerprint FingerprintOf(const wxImage& image);

// The record for a decoded image: `offered`, the bytes it was decoded from,
// are kept as they are when they are a PNG or a JPEG; anything else is kept
// as a PNG of the image.
ImageRecord MakeImageRecord(const wxImage& image, const Bytes& offered);

// The image scaled by ScaleToFit with normal quality; unscaled images come
// back as they are.
wxImage ScaleBitmap(const wxImage& source, int maxWidth, int maxHeight);
