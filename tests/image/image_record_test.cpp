#include "capture/capture_sink.h"
#include "capture/clip_logger.h"
#include "file/stored_copies.h"
#include "image/image_record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <wx/image.h>
#include <wx/mstream.h>

namespace {

wxImage Picture(int width, int height, unsigned char seed = 0)
{
    wxImage image(width, height);
    unsigned char* data = image.GetData();
    for (int i = 0; i < width * height * 3; ++i)
        data[i] = static_cast<unsigned char>(i * 7 + seed);
    return image;
}

Bytes Encode(const wxImage& image, wxBitmapType type)
{
    wxMemoryOutputStream out;
    EXPECT_TRUE(image.SaveFile(out, type));
    Bytes bytes(out.GetSize());
    out.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

ClipSnapshot Png(const wxImage& image)
{
    return ClipSnapshot::OfImage(Encode(image, wxBITMAP_TYPE_PNG));
}

class ImageSink : public CaptureSink
{
public:
    void AddText(TextRecord) override {}
    void AddImage(ImageRecord image) override { images.push_back(std::move(image)); }
    void AddFile(FileRecord) override {}
    std::vector<ImageRecord> images;
};

std::vector<ImageRecord> Capture(const std::vector<ClipSnapshot>& snapshots)
{
    ImageSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    for (const ClipSnapshot& snapshot : snapshots)
        logger.Poll(snapshot);
    return sink.images;
}

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

TEST(ImageCapture, NewWhenSizeOrPixelsDiffer)
{
    EXPECT_EQ(Capture({Png(Picture(100, 50)), Png(Picture(100, 50))}).size(), 1u);
    EXPECT_EQ(Capture({Png(Picture(100, 50)), Png(Picture(100, 50, 1))}).size(), 2u);
    EXPECT_EQ(Capture({Png(Picture(100, 50)), Png(Picture(100, 80))}).size(), 2u);
    EXPECT_EQ(Capture({Png(Picture(100, 50)), Png(Picture(200, 80))}).size(), 2u);
    EXPECT_EQ(Capture({Png(Picture(100, 50)), Png(Picture(30, 30)), Png(Picture(100, 50))}).size(), 3u);
}

TEST(ImageCapture, TheSamePictureReencodedIsNotNew)
{
    wxImage picture = Picture(64, 48);
    wxImage loose = picture.Copy();
    loose.SetOption(wxIMAGE_OPTION_PNG_COMPRESSION_LEVEL, 0);
    ClipSnapshot reencoded = ClipSnapshot::OfImage(Encode(loose, wxBITMAP_TYPE_PNG));
    ASSERT_NE(reencoded.imageData, Png(picture).imageData);
    EXPECT_EQ(Capture({Png(picture), reencoded}).size(), 1u);

    // An opaque alpha channel is the same picture as none.
    wxImage opaque = picture.Copy();
    opaque.InitAlpha();
    EXPECT_EQ(Capture({Png(picture), Png(opaque)}).size(), 1u);

    wxImage translucent = opaque.Copy();
    translucent.SetAlpha(3, 3, 10);
    EXPECT_EQ(Capture({Png(picture), Png(translucent)}).size(), 2u);
}

TEST(ImageCapture, TinyImageBecomesTheLastButThePageRefusesIt)
{
    std::vector<ImageRecord> captured = Capture({Png(Picture(100, 50)), Png(Picture(3, 3)), Png(Picture(3, 3))});
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_FALSE(AcceptsImageSize(captured[1].width, captured[1].height));
}

TEST(ImageCapture, BytesThatAreNoImageChangeNothing)
{
    ClipSnapshot junk = ClipSnapshot::OfImage({'n', 'o', 't', ' ', 'p', 'n', 'g'});
    ClipSnapshot empty = ClipSnapshot::OfImage({});
    EXPECT_EQ(Capture({Png(Picture(10, 10)), junk, empty, Png(Picture(10, 10))}).size(), 1u);
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
        EXPECT_TRUE(Capture({ClipSnapshot::OfImage(data)}).empty()) << entry.path();
        ++seen;
    }
    EXPECT_GE(seen, 8u);
}
