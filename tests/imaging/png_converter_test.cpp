#include "imaging/png_converter.h"
#include "imaging/image_codec.h"
#include "imaging/pictures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

ImageRecord JpegRecord(int width, int height, unsigned char seed)
{
    Bytes jpeg = Encode(Picture(width, height, seed), wxBITMAP_TYPE_JPEG);
    return MakeImageRecord(*DecodeImage(jpeg), jpeg);
}

// A picture whose conversion takes a good part of a second, and no more than
// seconds under the thread checker, which slows this code tenfold and more.
#if defined(__SANITIZE_THREAD__)
constexpr int kSlowWidth = 1200;
constexpr int kSlowHeight = 800;
#else
constexpr int kSlowWidth = 3000;
constexpr int kSlowHeight = 2000;
#endif

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

TEST(PngConverter, StopLetsASlowConversionGoAndItsResultReachesNobody)
{
    std::atomic<int> told{0};
    auto held = std::make_shared<int>(0);  // by the callback, so by the thread's state
    std::weak_ptr<int> stillHeld = held;
    std::mutex mutex;
    std::condition_variable answered;
    {
        PngConverter converter([held, &told, &mutex, &answered](std::uint64_t, SharedBytes) {
            std::lock_guard<std::mutex> lock(mutex);
            ++told;
            answered.notify_all();
        });
        held.reset();
        converter.Convert(JpegRecord(16, 16, 1));
        {
            std::unique_lock<std::mutex> lock(mutex);
            ASSERT_TRUE(answered.wait_for(lock, std::chrono::seconds(30), [&] { return told == 1; }));
        }
        // Work for the thread, which is waiting for it, caught a tenth of
        // the way through.
        ImageRecord slow = JpegRecord(kSlowWidth, kSlowHeight, 2);
        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(PngOf(slow));
        const auto takes = std::chrono::steady_clock::now() - start;
        converter.Convert(slow);
        std::this_thread::sleep_for(takes / 10);
        start = std::chrono::steady_clock::now();
        EXPECT_FALSE(converter.Stop(start + takes / 100));
        EXPECT_LT(std::chrono::steady_clock::now() - start, takes / 2);
        EXPECT_EQ(converter.Convert(JpegRecord(16, 16, 3)), 0u);  // a stopped converter takes nothing
        start = std::chrono::steady_clock::now();
        EXPECT_FALSE(converter.Stop(std::chrono::steady_clock::time_point::max()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, takes / 2);
    }  // nor does its destructor wait
    // The thread let go holds its state, the callback with it, until it ends.
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);  // many times the conversion
    while (!stillHeld.expired() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(stillHeld.expired());
    EXPECT_EQ(told, 1);
}
