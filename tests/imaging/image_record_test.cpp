#include "imaging/image_codec.h"
#include "imaging/image_record.h"
#include "imaging/pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <wx/image.h>
#include <wx/mstream.h>

namespace {

wxSize SizeOf(const SharedBytes& png)
{
    std::optional<wxImage> image = DecodeImage(*png);
    return image ? image->GetSize() : wxSize(-1, -1);
}

}  // namespace

TEST(ScaleToFit, FollowsThePreviewArithmetic)
{
    struct Case
    {
        int w, h, expectedW, expectedH;
        bool scaled;
    };
    const Case cases[] = {
        {680, 426, 340, 213, true},  {1000, 100, 340, 34, true},  {300, 400, 159, 213, true},
        {400, 400, 340, 340, true},  {1000, 900, 340, 306, true}, {330, 300, 330, 300, false},
        {320, 240, 320, 240, false}, {200, 150, 200, 150, false}, {0, 0, 0, 0, false},
    };
    for (const Case& c : cases)
    {
        ScaledSize size = ScaleToFit(c.w, c.h, kPreviewBoxWidth, kPreviewBoxHeight);
        EXPECT_EQ(size.width, c.expectedW) << c.w << "x" << c.h;
        EXPECT_EQ(size.height, c.expectedH) << c.w << "x" << c.h;
        EXPECT_EQ(size.scaled, c.scaled) << c.w << "x" << c.h;
    }
    EXPECT_EQ(ScaleBitmap(Picture(1000, 900), 340, 213).GetSize(), wxSize(340, 306));
}

TEST(ImageRecord, KeepsTheOfferedBytesAndAPreviewCutToTheBox)
{
    wxImage big = Picture(1000, 900);
    Bytes png = Encode(big, wxBITMAP_TYPE_PNG);
    ImageRecord record = MakeImageRecord(big, png);
    EXPECT_EQ(*record.data, png);
    EXPECT_EQ(record.format, ImageFormat::Png);
    EXPECT_EQ(PngOf(record), record.data);  // put back as it is
    EXPECT_EQ(record.width, 1000);
    EXPECT_EQ(SizeOf(record.preview), wxSize(340, 213));

    // Not scaled by the arithmetic, but still cut at the box; bytes that
    // are neither PNG nor JPEG are kept as a PNG of the image.
    ImageRecord unnamed = MakeImageRecord(Picture(330, 300), {});
    EXPECT_EQ(unnamed.format, ImageFormat::Png);
    EXPECT_EQ(SizeOf(unnamed.data), wxSize(330, 300));
    EXPECT_EQ(SizeOf(unnamed.preview), wxSize(330, 213));
    EXPECT_EQ(SizeOf(MakeImageRecord(Picture(300, 400), {}).preview), wxSize(159, 213));

    // A preview keeps the transparency it shows.
    wxImage clear = Picture(800, 600);
    clear.InitAlpha();
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 600; ++y)
            clear.SetAlpha(x, y, 0);
    std::optional<wxImage> shown = DecodeImage(*MakeImageRecord(clear, {}).preview);
    ASSERT_TRUE(shown && shown->HasAlpha());
    EXPECT_EQ(shown->GetAlpha(10, 10), 0);
    EXPECT_EQ(shown->GetAlpha(330, 10), 255);

    // A JPEG is kept as the JPEG it came as, a small one is its own
    // preview, and its PNG has the JPEG's pixels.
    for (wxSize size : {wxSize(200, 150), wxSize(1920, 1080)})
    {
        Bytes jpeg = Encode(Picture(size.x, size.y), wxBITMAP_TYPE_JPEG);
        std::optional<wxImage> fromJpeg = DecodeImage(jpeg);
        ASSERT_TRUE(fromJpeg);
        ImageRecord kept = MakeImageRecord(*fromJpeg, jpeg);
        EXPECT_EQ(kept.format, ImageFormat::Jpeg);
        EXPECT_EQ(*kept.data, jpeg);
        EXPECT_EQ(kept.preview == kept.data, size.x <= kPreviewBoxWidth);
        SharedBytes copied = PngOf(kept);
        ASSERT_TRUE(copied);
        EXPECT_EQ(SniffImageFormat(*copied), ImageFormat::Png);
        std::optional<wxImage> decoded = DecodeImage(*copied);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(FingerprintOf(*decoded), FingerprintOf(*fromJpeg));
    }
}

TEST(ImageDecoding, OnlyPngAndJpegByTheirSignatureWhateverTheName)
{
    wxImage picture = Picture(40, 30);
    EXPECT_EQ(SniffImageFormat(Encode(picture, wxBITMAP_TYPE_PNG)), ImageFormat::Png);
    EXPECT_EQ(SniffImageFormat(Encode(picture, wxBITMAP_TYPE_JPEG)), ImageFormat::Jpeg);
    // Formats whose readers are not fit for untrusted bytes are refused,
    // though the toolkit could read them.
    for (wxBitmapType type : {wxBITMAP_TYPE_BMP, wxBITMAP_TYPE_TIFF, wxBITMAP_TYPE_PNM, wxBITMAP_TYPE_TGA})
    {
        if (!wxImage::FindHandler(type))
            continue;  // a toolkit built without it
        Bytes other = Encode(picture, type);
        EXPECT_EQ(SniffImageFormat(other), ImageFormat::Unknown) << type;
        EXPECT_FALSE(DecodeImage(other)) << type;
    }
}

TEST(ImageDecoding, SizeIsReadFromTheHeaderBeforeDecoding)
{
    std::optional<ImageSize> png = HeaderImageSize(Encode(Picture(123, 45), wxBITMAP_TYPE_PNG));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, 123);
    EXPECT_EQ(png->height, 45);
    wxImage photo = Picture(321, 54);
    photo.SetOption(wxIMAGE_OPTION_QUALITY, 50);
    std::optional<ImageSize> jpeg = HeaderImageSize(Encode(photo, wxBITMAP_TYPE_JPEG));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->width, 321);
    EXPECT_EQ(jpeg->height, 54);
    // Headers cut short, and a JPEG whose image data starts before any size.
    Bytes cut = Encode(Picture(10, 10), wxBITMAP_TYPE_JPEG);
    for (size_t size : {3u, 10u, 20u})
        EXPECT_FALSE(HeaderImageSize(Bytes(cut.begin(), cut.begin() + size))) << size;
    EXPECT_FALSE(HeaderImageSize({0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08, 0, 0, 0, 0, 0, 0}));
}

TEST(ImageDecoding, InputsThatCrashedOrExhaustedDecodersAreRefused)
{
    // Each of these crashed the program (a PGM called PNG, GIFs with odd
    // LZW code sizes) or claimed a size that took gigabytes to decode.
    size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUILLORY_REFUSED_IMAGES))
    {
        std::ifstream in(entry.path(), std::ios::binary);
        Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_FALSE(DecodeImage(data)) << entry.path();
        ++seen;
    }
    EXPECT_GE(seen, 8u);
}

namespace {

std::uint32_t Crc32(const unsigned char* data, size_t size)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(Bytes& bytes, size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// A PNG's chunk: length, type, data, and the checksum a decoder verifies,
// so that what follows is judged on its content and not on a bad sum.
Bytes PngChunk(const char* type, const Bytes& data, std::uint32_t statedLength)
{
    Bytes chunk(8);
    PutBigEndian(chunk, 0, statedLength);
    chunk.insert(chunk.begin() + 4, type, type + 4);
    chunk.resize(8);
    chunk.insert(chunk.end(), data.begin(), data.end());
    chunk.resize(chunk.size() + 4);
    PutBigEndian(chunk, chunk.size() - 4, Crc32(chunk.data() + 4, chunk.size() - 8));
    return chunk;
}

// A PNG whose header states `width` x `height` with the IDAT of a small
// picture behind it.
Bytes PngClaiming(int width, int height)
{
    Bytes png = Encode(Picture(8, 8), wxBITMAP_TYPE_PNG);
    PutBigEndian(png, 16, static_cast<std::uint32_t>(width));
    PutBigEndian(png, 20, static_cast<std::uint32_t>(height));
    PutBigEndian(png, 29, Crc32(png.data() + 12, 17));
    return png;
}

// A baseline JPEG whose frame header states `width` x `height`.
Bytes JpegClaiming(int width, int height)
{
    Bytes jpeg = Encode(Picture(16, 16), wxBITMAP_TYPE_JPEG);
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2))
        {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width);
            break;
        }
    return jpeg;
}

struct Hostile
{
    const char* what;
    Bytes bytes;
    bool mayDecode;  // a decoder that fills in what is missing, as viewers do
};

}  // namespace

TEST(ImageDecoding, HostileBytesPastTheHeaderCheckNeverYieldAWrongImage)
{
    const Bytes png = Encode(Picture(64, 48), wxBITMAP_TYPE_PNG);
    const Bytes jpeg = Encode(Picture(64, 48), wxBITMAP_TYPE_JPEG);
    std::vector<Hostile> cases;
    cases.push_back({"PNG cut in its image data", Bytes(png.begin(), png.begin() + png.size() / 2), false});
    Bytes flipped = png;
    for (size_t i = 45; i < flipped.size() - 20; i += 7)
        flipped[i] ^= 0x5A;
    cases.push_back({"PNG with damaged image data", flipped, false});
    cases.push_back({"PNG whose header claims more than its data holds", PngClaiming(3000, 2000), false});
    // An ancillary chunk that claims 2 GB before the image data: no decoder
    // may take that memory.
    Bytes giant(png.begin(), png.begin() + 33);
    Bytes text = PngChunk("tEXt", Bytes(64, 'a'), 0x7FFFFFF0u);
    giant.insert(giant.end(), text.begin(), text.end());
    giant.insert(giant.end(), png.begin() + 33, png.end());
    cases.push_back({"PNG with a chunk claiming 2 GB", giant, false});
    Bytes noData(png.begin(), png.begin() + 33);
    Bytes end = PngChunk("IEND", {}, 0);
    noData.insert(noData.end(), end.begin(), end.end());
    cases.push_back({"PNG without image data", noData, false});
    cases.push_back({"JPEG cut in its scan", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3), true});
    Bytes noise = jpeg;
    for (size_t i = noise.size() / 2; i < noise.size() - 2; ++i)
        noise[i] = static_cast<unsigned char>(i * 131);
    cases.push_back({"JPEG with noise in its scan", noise, true});
    cases.push_back({"JPEG whose frame claims more than its scan holds", JpegClaiming(3000, 2000), true});
    Bytes noTables = jpeg;
    for (size_t i = 2; i + 1 < noTables.size(); ++i)
        if (noTables[i] == 0xFF && noTables[i + 1] == 0xC4)
            noTables[i + 1] = 0xFE;  // the Huffman tables become a comment
    cases.push_back({"JPEG without its Huffman tables", noTables, true});  // the standard ones stand in

    for (const Hostile& hostile : cases)
    {
        SCOPED_TRACE(hostile.what);
        // Past the signature and the header's limits: the decoders see these.
        ASSERT_NE(SniffImageFormat(hostile.bytes), ImageFormat::Unknown);
        std::optional<ImageSize> stated = HeaderImageSize(hostile.bytes);
        ASSERT_TRUE(stated);
        std::optional<wxImage> image = DecodeImage(hostile.bytes);
        if (!hostile.mayDecode)
        {
            EXPECT_FALSE(image);
        }
        else if (image)
        {
            EXPECT_EQ(image->GetWidth(), stated->width);
            EXPECT_EQ(image->GetHeight(), stated->height);
        }
    }
}
