#include "imaging/image_record.h"

#include "imaging/image_codec.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>

namespace {

constexpr int kPngFilterSub = 0x10;  // libpng's PNG_FILTER_SUB, which the toolkit passes on

SharedBytes Share(Bytes bytes)
{
    return std::make_shared<const Bytes>(std::move(bytes));
}

// JPEG has no alpha: transparent pixels are laid on white, not left to
// whatever colour happens to lie under them.
void FlattenOntoWhite(wxImage& image)
{
    if (!image.HasAlpha())
        return;
    unsigned char* rgb = image.GetData();
    const unsigned char* alpha = image.GetAlpha();
    const size_t pixels = static_cast<size_t>(image.GetWidth()) * image.GetHeight();
    for (size_t i = 0; i < pixels; ++i)
    {
        const unsigned a = alpha[i];
        for (int c = 0; c < 3; ++c)
        {
            unsigned char& value = rgb[3 * i + c];
            value = static_cast<unsigned char>((value * a + 255 * (255 - a) + 127) / 255);
        }
    }
    image.ClearAlpha();
}

}  // namespace

std::optional<DecodedImage> DecodedImage::Decode(const Bytes& data)
{
    std::optional<wxImage> image = DecodeImage(data);
    if (!image)
        return std::nullopt;
    return DecodedImage(std::make_shared<const wxImage>(std::move(*image)));
}

ImageFingerprint DecodedImage::Fingerprint() const
{
    return FingerprintOf(*m_image);
}

ImageRecord DecodedImage::Record(const Bytes& offered) const
{
    return MakeImageRecord(*m_image, offered);
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

Bytes FlattenedJpegOf(const ImageRecord& record)
{
    std::optional<wxImage> image = record.data ? DecodeImage(*record.data) : std::nullopt;
    if (!image)
        return {};
    FlattenOntoWhite(*image);
    wxLogNull quiet;
    wxMemoryOutputStream out;
    if (!image->SaveFile(out, wxBITMAP_TYPE_JPEG))
        return {};
    Bytes jpeg(out.GetSize());
    out.CopyTo(jpeg.data(), jpeg.size());
    return jpeg;
}
