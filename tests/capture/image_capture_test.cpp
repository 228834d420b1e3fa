#include "capture/clip_logger.h"
#include "records/stored_copies.h"
#include "imaging/pictures.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

namespace {

std::vector<ImageRecord> Capture(const std::vector<ClipSnapshot>& snapshots)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    for (const ClipSnapshot& snapshot : snapshots)
        logger.Poll(snapshot);
    return sink.Images();
}

}  // namespace

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


// The page refuses it; the capture thread still compares the next image
// with it.
TEST(ImageCapture, TinyImageBecomesTheLast)
{
    std::vector<ImageRecord> captured = Capture({Png(Picture(100, 50)), Png(Picture(3, 3)), Png(Picture(3, 3))});
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_EQ(captured[1].width, 3);
}


TEST(ImageCapture, BytesThatAreNoImageChangeNothing)
{
    ClipSnapshot junk = ClipSnapshot::OfImage({'n', 'o', 't', ' ', 'p', 'n', 'g'});
    ClipSnapshot empty = ClipSnapshot::OfImage({});
    EXPECT_EQ(Capture({Png(Picture(10, 10)), junk, empty, Png(Picture(10, 10))}).size(), 1u);
}

