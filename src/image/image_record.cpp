#include "image/image_record.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

std::uint64_t HashBytes(const unsigned char* data, size_t size)
{
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), size));
}

bool IsPng(const Bytes& data)
{
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

SharedBytes Share(Bytes bytes)
{
    return std::make_shared<const Bytes>(std::move(bytes));
}

}  // namespace

ImageFingerprint FingerprintOf(const wxImage& image)
{
    ImageFingerprint print;
    print.width = image.GetWidth();
    print.height = image.GetHeight();
    size_t pixels = static_cast<size_t>(print.width) * print.height;
    print.colourHash = HashBytes(image.GetData(), pixels * 3);
    // An alpha channel that is opaque everywhere is the same picture as no
    // alpha channel at all.
    const unsigned char* alpha = image.HasAlpha() ? image.GetAlpha() : nullptr;
    if (alpha && std::any_of(alpha, alpha + pixels, [](unsigned char a) { return a != 255; }))
        print.alphaHash = HashBytes(alpha, pixels);
    return print;
}

std::optional<wxImage> DecodeImage(const Bytes& data)
{
    if (data.empty())
        return std::nullopt;
    // Bad bytes are an ordinary clipboard event, not something to report;
    // this silences only the calling thread.
    wxLogNull quiet;
    wxMemoryInputStream in(data.data(), data.size());
    wxImage image;
    if (!image.LoadFile(in, wxBITMAP_TYPE_ANY) || !image.IsOk())
        return std::nullopt;
    if (image.HasMask() && !image.HasAlpha())
        image.InitAlpha();
    return image;
}

Bytes EncodePng(const wxImage& image)
{
    wxLogNull quiet;
    wxMemoryOutputStream out;
    image.SaveFile(out, wxBITMAP_TYPE_PNG);
    Bytes bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

ImageRecord MakeImageRecord(const wxImage& image, const Bytes& original)
{
    ImageRecord record;
    record.width = image.GetWidth();
    record.height = image.GetHeight();
    record.png = Share(IsPng(original) ? original : EncodePng(image));

    wxImage preview = ScaleBitmap(image, kPreviewBoxWidth, kPreviewBoxHeight);
    // The preview box shows the scaled image from its top-left corner and
    // cuts it at its edges.
    wxRect shown(0, 0, std::min(preview.GetWidth(), kPreviewBoxWidth),
                 std::min(preview.GetHeight(), kPreviewBoxHeight));
    if (shown.GetSize() == image.GetSize())
        record.previewPng = record.png;
    else
        record.previewPng = Share(EncodePng(preview.GetSubImage(shown)));
    return record;
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

wxImage ScaleBitmap(const wxImage& source, int maxWidth, int maxHeight)
{
    if (!source.IsOk())
        return source;
    ScaledSize size = ScaleToFit(source.GetWidth(), source.GetHeight(), maxWidth, maxHeight);
    if (!size.scaled)
        return source;
    // A sliver of a very long image can truncate to nothing.
    return source.Scale(std::max(size.width, 1), std::max(size.height, 1), wxIMAGE_QUALITY_NORMAL);
}

bool AcceptsImageSize(int width, int height)
{
    return width > 4 && height > 4;
}
