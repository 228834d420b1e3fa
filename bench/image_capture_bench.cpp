// Times the capture thread's work for one image from the clipboard (decode,
// fingerprint, record with its preview) and reports what one record keeps
// in memory. Usage: image_capture_bench FILE.png [FILE.png ...]

#include "imaging/image_codec.h"
#include "imaging/image_record.h"

#include <wx/image.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

double Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv)
{
    wxInitializer toolkit;
    wxInitAllImageHandlers();
    for (int i = 1; i < argc; ++i)
    {
        std::ifstream in(argv[i], std::ios::binary);
        Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

        auto t0 = std::chrono::steady_clock::now();
        Bytes snapshot = data;  // what the GUI thread does with the bytes it receives
        auto t1 = std::chrono::steady_clock::now();
        std::optional<wxImage> image = DecodeImage(snapshot);
        auto t2 = std::chrono::steady_clock::now();
        if (!image)
        {
            std::printf("%s: not an image\n", argv[i]);
            continue;
        }
        ImageFingerprint print = FingerprintOf(*image);
        auto t3 = std::chrono::steady_clock::now();
        ImageRecord record = MakeImageRecord(*image, snapshot);
        auto t4 = std::chrono::steady_clock::now();
        std::optional<wxImage> preview = DecodeImage(*record.preview);
        auto t5 = std::chrono::steady_clock::now();

        std::printf("%s: %dx%d, %zu bytes as offered\n", argv[i], print.width, print.height, data.size());
        std::printf("  GUI thread, copy of the received bytes: %.2f ms\n", Milliseconds(t1 - t0));
        std::printf("  capture thread: decode %.1f ms, fingerprint %.1f ms, record and preview %.1f ms, total %.1f ms\n",
                    Milliseconds(t2 - t1), Milliseconds(t3 - t2), Milliseconds(t4 - t3), Milliseconds(t4 - t1));
        std::printf("  GUI thread, preview decode on showing the record: %.2f ms\n", Milliseconds(t5 - t4));
        std::printf("  memory per record: full image %zu bytes + preview %zu bytes = %.2f MB (decoded RGBA would be %.1f MB)\n",
                    record.data->size(), record.preview->size(),
                    (record.data->size() + record.preview->size()) / 1e6,
                    4.0 * print.width * print.height / 1e6);
    }
    return 0;
}
