#include "capture/capture_sink.h"
#include "capture/clip_logger.h"
#include "image/image_record.h"

#include <gtest/gtest.h>

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
    return ClipSnapshot::OfImage(Encode(image, wxBITMAP_TYPE_PNG), "image/png");
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
    ClipLogger logger(&sink, "/nonexistent/copied-files");
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
    ClipSnapshot bmp = ClipSnapshot::OfImage(Encode(picture, wxBITMAP_TYPE_BMP), "image/bmp");
    EXPECT_EQ(Capture({Png(picture), bmp}).size(), 1u);

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
    ClipSnapshot junk = ClipSnapshot::OfImage({'n', 'o', 't', ' ', 'p', 'n', 'g'}, "image/png");
    ClipSnapshot empty = ClipSnapshot::OfImage({}, "image/png");
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

    // A small image is its own preview, and a BMP is kept as a PNG.
    wxImage small = Picture(200, 150);
    ImageRecord fromBmp = MakeImageRecord(small, Encode(small, wxBITMAP_TYPE_BMP));
    EXPECT_EQ(fromBmp.previewPng, fromBmp.png);
    std::optional<wxImage> decoded = DecodeImage(*fromBmp.png);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(FingerprintOf(*decoded), FingerprintOf(small));
}
