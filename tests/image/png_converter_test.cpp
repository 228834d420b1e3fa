#include "image/png_converter.h"
#include "image/pictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>

namespace {

ImageRecord JpegRecord(int width, int height, unsigned char seed)
{
    Bytes jpeg = Encode(Picture(width, height, seed), wxBITMAP_TYPE_JPEG);
    return MakeImageRecord(*DecodeImage(jpeg), jpeg);
}

}  // namespace

TEST(PngConverter, TheNewestRequestIsAlwaysAnsweredAndOlderOnesMayBeDropped)
{
    std::mutex mutex;
    std::condition_variable answered;
    std::map<std::uint64_t, SharedBytes> results;
    std::vector<std::uint64_t> order;
    PngConverter converter([&](std::uint64_t request, SharedBytes png) {
        std::lock_guard<std::mutex> lock(mutex);
        results[request] = std::move(png);
        order.push_back(request);
        answered.notify_all();
    });
    std::vector<ImageRecord> records;
    for (unsigned char seed = 0; seed < 4; ++seed)
        records.push_back(JpegRecord(800, 600, seed));
    std::uint64_t last = 0;
    for (const ImageRecord& record : records)
        last = converter.Convert(record);
    EXPECT_EQ(last, 4u);

    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(answered.wait_for(lock, std::chrono::seconds(30), [&] { return results.count(last) != 0; }));
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    for (const auto& [request, png] : results)
    {
        ASSERT_TRUE(png) << request;
        std::optional<wxImage> decoded = DecodeImage(*png);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(SniffImageFormat(*png), ImageFormat::Png);
        EXPECT_EQ(FingerprintOf(*decoded), FingerprintOf(*DecodeImage(*records[request - 1].data)));
    }
}

TEST(PngConverter, AnswersBadBytesWithNothingAndEndsWithWorkInFlight)
{
    std::mutex mutex;
    std::condition_variable answered;
    std::vector<SharedBytes> results;
    PngConverter converter([&](std::uint64_t, SharedBytes png) {
        std::lock_guard<std::mutex> lock(mutex);
        results.push_back(std::move(png));
        answered.notify_all();
    });
    ImageRecord damaged = JpegRecord(64, 64, 1);
    damaged.data = std::make_shared<const Bytes>(damaged.data->begin(), damaged.data->begin() + 20);
    converter.Convert(damaged);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(answered.wait_for(lock, std::chrono::seconds(30), [&] { return !results.empty(); }));
        EXPECT_FALSE(results[0]);
    }
    // The destructor, at the end, waits for this one and drops the next.
    converter.Convert(JpegRecord(3840, 2160, 2));
    converter.Convert(JpegRecord(16, 16, 3));
}
