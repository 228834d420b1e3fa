#include "imaging/image_codec.h"

#include "imaging/image_format.h"

#include <wx/image.h>
#include <wx/imagjpeg.h>
#include <wx/imagpng.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <functional>
#include <string_view>

namespace {

std::uint64_t HashBytes(const unsigned char* data, size_t size)
{
    return std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), size));
}

SharedBytes Share(Bytes bytes)
{
    return std::make_shared<const Bytes>(std::move(bytes));
}

bool WithinLimits(ImageSize size)
{
    return WithinImageLimits(size.width, size.height);
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

Bytes EncodePng(const wxImage& image)
{
    wxLogNull quiet;
    wxMemoryOutputStream out;
    if (!image.IsOk() || !image.SaveFile(out, wxBITMAP_TYPE_PNG))
        return {};
    Bytes bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

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
