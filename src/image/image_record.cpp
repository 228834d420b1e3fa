#include "image/image_record.h"

#include <wx/image.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

constexpr int kPngFilterSub = 0x10;  // libpng's PNG_FILTER_SUB, which the toolkit passes on

std::uint64_t HashBytes(const unsigned char* data, size_t size)
{
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), size));
}

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

bool WithinLimits(ImageSize size)
{
    return WithinImageLimits(size.width, size.height);
}

SharedBytes Share(Bytes bytes)
{
    return std::make_shared<const Bytes>(std::move(bytes));
}

bool Opaque(const wxImage& image)
{
    if (!image.HasAlpha())
        return true;
    const unsigned char* alpha = image.GetAlpha();
    return std::all_of(alpha, alpha + static_cast<size_t>(image.GetWidth()) * image.GetHeight(),
                       [](unsigned char a) { return a == 255; });
}

// A preview is kept for every record, so its size counts against each: a
// photo's PNG preview is a tenth of its JPEG. An opaque preview is kept as
// a JPEG of high quality when that is the smaller, which at this size
// looks the same; one with transparency stays a PNG.
Bytes EncodePreview(const wxImage& preview)
{
    Bytes png = EncodePng(preview);
    if (!Opaque(preview))
        return png;
    wxLogNull quiet;
    wxImage opaque = preview.Copy();
    if (opaque.HasAlpha())
        opaque.ClearAlpha();
    opaque.SetOption(wxIMAGE_OPTION_QUALITY, 90);
    wxMemoryOutputStream out;
    if (!opaque.SaveFile(out, wxBITMAP_TYPE_JPEG) || png.empty() || out.GetSize() >= png.size())
        return png;
    Bytes jpeg(out.GetSize());
    out.CopyTo(jpeg.data(), jpeg.size());
    return jpeg;
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
    if (!Opaque(image))
        print.alphaHash = HashBytes(image.GetAlpha(), pixels);
    return print;
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

void RegisterImageHandlers()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
        wxImage::AddHandler(new wxJPEGHandler);
}

std::optional<wxImage> DecodeImage(const Bytes& data)
{
    ImageFormat format = SniffImageFormat(data);
    if (format == ImageFormat::Unknown)
        return std::nullopt;
    std::optional<ImageSize> size = HeaderImageSize(data);
    if (!size || !WithinLimits(*size))
        return std::nullopt;
    // Bad bytes are an ordinary clipboard event, not something to report;
    // this silences only the calling thread.
    wxLogNull quiet;
    wxMemoryInputStream in(data.data(), data.size());
    wxImage image;
    if (!image.LoadFile(in, format == ImageFormat::Png ? wxBITMAP_TYPE_PNG : wxBITMAP_TYPE_JPEG) || !image.IsOk())
        return std::nullopt;
    // The decoder must agree with the header that was checked.
    if (image.GetWidth() != size->width || image.GetHeight() != size->height)
        return std::nullopt;
    if (image.HasMask() && !image.HasAlpha())
        image.InitAlpha();
    return image;
}

ImageRecord MakeImageRecord(const wxImage& image, const Bytes& offered)
{
    ImageRecord record;
    record.width = image.GetWidth();
    record.height = image.GetHeight();
    record.format = SniffImageFormat(offered);
    // Copied to a block of its own size: the offered bytes grew as they
    // arrived, and may hold twice what they need.
    if (record.format == ImageFormat::Unknown)
    {
        record.format = ImageFormat::Png;
        record.data = Share(EncodePng(image));
    }
    else
    {
        record.data = Share(offered);
    }

    wxImage preview = ScaleBitmap(image, kPreviewBoxWidth, kPreviewBoxHeight);
    // The preview box shows the scaled image from its top-left corner and
    // cuts it at its edges.
    wxRect shown(0, 0, std::min(preview.GetWidth(), kPreviewBoxWidth),
                 std::min(preview.GetHeight(), kPreviewBoxHeight));
    if (shown.GetSize() == image.GetSize())
        record.preview = record.data;
    else
        record.preview = Share(EncodePreview(preview.GetSubImage(shown)));
    return record;
}

SharedBytes PngOf(const ImageRecord& record)
{
    if (record.format == ImageFormat::Png)
        return record.data;
    if (!record.data)
        return nullptr;
    std::optional<wxImage> image = DecodeImage(*record.data);
    if (!image)
        return nullptr;
    // Made for one paste, so speed beats size: with zlib's default level and
    // libpng's choice of filters a 4K photo took 5 s, with the fastest level
    // and one simple filter 0.5 s, at a fifth more bytes.
    image->SetOption(wxIMAGE_OPTION_PNG_COMPRESSION_LEVEL, 1);
    image->SetOption(wxIMAGE_OPTION_PNG_FILTER, kPngFilterSub);
    Bytes png = EncodePng(*image);
    if (png.empty())
        return nullptr;
    return Share(std::move(png));
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
