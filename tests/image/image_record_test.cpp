#include "image/image_record.h"
#include "image/pictures.h"

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

TEST(ImagePageFilter, RefusesImagesUnderFivePixels)
{
    EXPECT_FALSE(AcceptsImageSize(4, 100));
    EXPECT_FALSE(AcceptsImageSize(100, 4));
    EXPECT_FALSE(AcceptsImageSize(0, 0));
    EXPECT_TRUE(AcceptsImageSize(5, 5));
}

TEST(ImageRecord, KeepsTheFullImageAndAPreviewCutToTheBox)
{
    wxImage big = Picture(1000, 900);
    Bytes png = Encode(big, wxBITMAP_TYPE_PNG);
    ImageRecord record = MakeImageRecord(big, png);
    EXPECT_EQ(*record.png, png);  // a PNG is kept as it came
    EXPECT_EQ(record.width, 1000);
    EXPECT_EQ(SizeOf(record.previewPng), wxSize(340, 213));

    // Not scaled by the arithmetic, but still cut at the box.
    EXPECT_EQ(SizeOf(MakeImageRecord(Picture(330, 300), {}).previewPng), wxSize(330, 213));
    EXPECT_EQ(SizeOf(MakeImageRecord(Picture(300, 400), {}).previewPng), wxSize(159, 213));

    // A small image is its own preview, and a JPEG is kept as a PNG.
    wxImage small = Picture(200, 150);
    Bytes jpeg = Encode(small, wxBITMAP_TYPE_JPEG);
    std::optional<wxImage> fromJpeg = DecodeImage(jpeg);
    ASSERT_TRUE(fromJpeg);
    ImageRecord record2 = MakeImageRecord(*fromJpeg, jpeg);
    EXPECT_EQ(record2.previewPng, record2.png);
    std::optional<wxImage> decoded = DecodeImage(*record2.png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(FingerprintOf(*decoded), FingerprintOf(*fromJpeg));
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
