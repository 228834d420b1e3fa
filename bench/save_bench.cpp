// "Save Everything!" with 1,000 texts, 100 images of 1920 x 1080 and 100
// files of 1 MB: the GUI thread's share (the snapshot of the lists) and the
// worker's time to write it all. Usage: save_bench [FOLDER [keep]]

#include "fs/file_system.h"
#include "imaging/image_codec.h"
#include "save/save_records.h"

#include <wx/image.h>
#include <wx/init.h>
#include <wx/mstream.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

double Milliseconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Something like a screenshot: flat areas, gradients and some noise.
wxImage Screen(int seed)
{
    wxImage image(1920, 1080);
    std::mt19937 random(seed);
    unsigned char* data = image.GetData();
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x)
        {
            unsigned char* p = data + 3 * (y * 1920 + x);
            bool panel = (x / 240 + y / 270 + seed) % 3 == 0;
            p[0] = panel ? 240 : static_cast<unsigned char>(x / 8 + seed);
            p[1] = panel ? 240 : static_cast<unsigned char>(y / 5);
            p[2] = panel ? 245 : static_cast<unsigned char>((x + y) / 12 + (random() % 8));
        }
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    wxInitializer toolkit;
    wxInitAllImageHandlers();
    std::string pattern = ((argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path()) / "quillory-save-XXXXXX").string();
    fs::path dir = ::mkdtemp(pattern.data());

    TextRecords texts;
    for (int i = 0; i < 1000; ++i)
        texts.push_back(MakeSharedText(std::string(1000, 'a' + i % 26) + " record " + std::to_string(i)));
    std::vector<ImageRecord> images;
    for (int i = 0; i < 100; ++i)
    {
        wxImage image = Screen(i);
        wxMemoryOutputStream out;
        image.SaveFile(out, wxBITMAP_TYPE_PNG);
        Bytes png(out.GetSize());
        out.CopyTo(png.data(), png.size());
        images.push_back(MakeImageRecord(image, png));
    }
    std::vector<fs::path> storedCopies;
    std::string megabyte(1 << 20, 'x');
    for (int i = 0; i < 100; ++i)
    {
        fs::path stored = dir / "copied-files" / std::to_string(i + 1) / ("file " + std::to_string(i) + ".bin");
        MakePrivateFolder(stored.parent_path());
        megabyte[0] = static_cast<char>(i);
        std::ofstream(stored, std::ios::binary) << megabyte;
        storedCopies.push_back(stored);
    }

    // What the menu handler does on the GUI thread.
    auto start = std::chrono::steady_clock::now();
    SaveJob job;
    job.kind = SaveJob::Kind::Everything;
    job.saveRoot = dir;
    job.stamp = TimeStampName(std::time(nullptr));
    job.texts = texts;
    job.images = images;
    job.storedCopies = storedCopies;
    double gui = Milliseconds(start);

    start = std::chrono::steady_clock::now();
    RunSave(job);
    double worker = Milliseconds(start);

    std::printf("Save Everything! with 1000 texts, 100 images of 1920x1080, 100 files of 1 MB:\n");
    std::printf("  GUI thread (time stamp and snapshot of the lists): %.2f ms\n", gui);
    std::printf("  worker thread (writing everything): %.0f ms\n", worker);
    if (argc > 2)  // keep what was written, for a reference copy of the same tree
        std::printf("saved tree: %s\n", (dir / "manual-save").c_str());
    else
        fs::remove_all(dir);
    return 0;
}
