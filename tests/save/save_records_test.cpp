#include "save/save_records.h"
#include "imaging/image_codec.h"
#include "temp_dir.h"
#include "time_zone.h"

#include <gtest/gtest.h>

#include <wx/image.h>
#include <wx/mstream.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

SaveJob Job(SaveJob::Kind kind, const fs::path& saveRoot)
{
    SaveJob job;
    job.kind = kind;
    job.saveRoot = saveRoot;
    job.stamp = "07-03-26_14-05-09";
    return job;
}

ImageRecord ImageOf(const wxImage& image)
{
    wxMemoryOutputStream out;
    image.SaveFile(out, wxBITMAP_TYPE_PNG);
    Bytes png(out.GetSize());
    out.CopyTo(png.data(), png.size());
    return MakeImageRecord(image, png);
}

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(TimeStamp, DayFirstWithATwoDigitYear)
{
    ScopedTimeZone utc("UTC");
    EXPECT_EQ(TimeStampName(1772892309), "07-03-26_14-05-09");
}

TEST(SaveLayout, EachCommandHasItsFoldersEvenWhenEmpty)
{
    TempDir dir;
    for (auto kind : {SaveJob::Kind::Everything, SaveJob::Kind::Text, SaveJob::Kind::Images, SaveJob::Kind::Files})
        RunSave(Job(kind, dir.Path()));
    fs::path manual = dir / "manual-save";
    EXPECT_EQ(Names(manual), (std::vector<std::string>{"07-03-26_14-05-09", "text"}));
    EXPECT_EQ(Names(manual / "07-03-26_14-05-09"), (std::vector<std::string>{"files", "images", "text"}));
    EXPECT_EQ(Names(manual / "text"), (std::vector<std::string>{"07-03-26_14-05-09"}));
    EXPECT_TRUE(fs::is_empty(manual / "text" / "07-03-26_14-05-09"));
#ifndef _WIN32
    // Windows folders take the access rules of the folder above them.
    struct stat info;
    ::stat((manual / "07-03-26_14-05-09" / "files").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
#endif
}

TEST(SaveLayout, TextsAreWrittenAsTheirOwnBytes)
{
    TempDir dir;
    SaveJob job = Job(SaveJob::Kind::Text, dir.Path());
    for (int i = 1; i <= 10; ++i)
        job.texts.push_back(MakeSharedText("text " + std::to_string(i)));
    job.texts[1] = MakeSharedText("Grüße\r\nline two\nline three \xE2\x82\xAC");
    RunSave(job);
    fs::path folder = dir / "manual-save" / "text" / "07-03-26_14-05-09";
    EXPECT_EQ(Names(folder).size(), 10u);
    EXPECT_EQ(ReadFile(folder / "1.txt"), "text 1");
    EXPECT_EQ(ReadFile(folder / "2.txt"), "Grüße\r\nline two\nline three \xE2\x82\xAC");
    EXPECT_EQ(ReadFile(folder / "10.txt"), "text 10");

    // A second command in the same second reuses the folders and keeps
    // the first one's files.
    job.texts = {MakeSharedText("again")};
    EXPECT_EQ(RunSave(job).failed, 0u);
    EXPECT_EQ(ReadFile(folder / "1.txt"), "text 1");
    EXPECT_EQ(ReadFile(folder / "1 (2).txt"), "again");
    EXPECT_EQ(ReadFile(folder / "2.txt"), "Grüße\r\nline two\nline three \xE2\x82\xAC");
}

TEST(SaveLayout, ImagesAreJpegsOfTheCapturedSizeOnWhite)
{
    TempDir dir;
    SaveJob job = Job(SaveJob::Kind::Everything, dir.Path());
    wxImage big(1000, 700);
    big.SetRGB(wxRect(0, 0, 1000, 700), 200, 30, 30);
    wxImage clear(20, 10);
    clear.SetRGB(wxRect(0, 0, 20, 10), 0, 0, 0);
    clear.InitAlpha();
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 10; ++y)
            clear.SetAlpha(x, y, 0);
    // A JPEG record is written as the bytes it was copied as.
    wxMemoryOutputStream out;
    big.SaveFile(out, wxBITMAP_TYPE_JPEG);
    Bytes jpeg(out.GetSize());
    out.CopyTo(jpeg.data(), jpeg.size());
    job.images = {ImageOf(big), ImageOf(clear), MakeImageRecord(*DecodeImage(jpeg), jpeg)};
    RunSave(job);

    fs::path folder = dir / "manual-save" / "07-03-26_14-05-09" / "images";
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    std::ifstream third(folder / "3.jpg", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(third), {}), jpeg);
    wxImage first(wxString((folder / "1.jpg").c_str()), wxBITMAP_TYPE_JPEG);
    ASSERT_TRUE(first.IsOk());
    EXPECT_EQ(first.GetSize(), wxSize(1000, 700));  // not the preview's size
    wxImage second(wxString((folder / "2.jpg").c_str()), wxBITMAP_TYPE_JPEG);
    ASSERT_TRUE(second.IsOk());
    EXPECT_GT(second.GetRed(5, 5), 240);  // transparent comes out white, not black
    EXPECT_GT(second.GetBlue(5, 5), 240);
}

TEST(SaveLayout, FileCopiesAreExactAndOnePerRecord)
{
    TempDir dir;
    fs::path copied = dir / "copied-files";
    for (int n : {1, 2, 3})
        fs::create_directories(copied / std::to_string(n));
    WriteFile(copied / "1" / "report.txt", std::string("first\0\r\n", 8));
    WriteFile(copied / "2" / "report.txt", "second");
    WriteFile(copied / "3" / "README", "readme");

    SaveJob job = Job(SaveJob::Kind::Files, dir.Path());
    job.storedCopies = {copied / "1" / "report.txt", copied / "2" / "report.txt", copied / "3" / "README",
                        copied / "4" / "vanished.txt", {}};
    SaveReport report = RunSave(job);

    fs::path folder = dir / "manual-save" / "07-03-26_14-05-09" / "files";
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"README", "report (2).txt", "report.txt"}));
    EXPECT_EQ(ReadFile(folder / "report.txt"), std::string("first\0\r\n", 8));
    EXPECT_EQ(ReadFile(folder / "report (2).txt"), "second");
    // What could not be written is counted, never reported as saved.
    EXPECT_EQ(report.failed, 2u);
    EXPECT_NE(report.firstReason.find("vanished.txt: No such file or directory"), std::string::npos)
        << report.firstReason;
    EXPECT_EQ(report.folder, dir / "manual-save" / "07-03-26_14-05-09" / "files");
    EXPECT_NE(SaveFailureMessage(report).find("2 records could not be saved"), std::string::npos);
}

TEST(SaveLayout, AFolderThatCantBeMadeFailsEveryRecord)
{
    TempDir dir;
    WriteFile(dir / "manual-save", "in the way");
    SaveJob job = Job(SaveJob::Kind::Everything, dir.Path());
    job.texts = {MakeSharedText("a"), MakeSharedText("b")};
    job.storedCopies = {dir / "x"};
    SaveReport report = RunSave(job);
    EXPECT_EQ(report.failed, 3u);
    EXPECT_EQ(ReadFile(dir / "manual-save"), "in the way");
}

TEST(SaveLayout, EveryNameFitsTheFileSystem)
{
    // 84 characters of three bytes: no room for " (2)" without shortening.
    std::string stem;
    for (int i = 0; i < 82; ++i)
        stem += "\xE6\x96\x87";
    const std::string name = stem + ".txt";
    std::set<std::string> used;
    EXPECT_EQ(UniqueFileName(name, used), name);
    std::string second = UniqueFileName(name, used);
    EXPECT_LE(second.size(), kMaxNameBytes);
    EXPECT_EQ(second.substr(second.size() - 8), " (2).txt");
    EXPECT_EQ((second.size() - 8) % 3, 0u);  // never half a character
    EXPECT_NE(UniqueFileName(name, used), second);

    TempDir dir;
    fs::path copied = dir / "copied-files";
    fs::create_directories(copied / "1");
    fs::create_directories(copied / "2");
    WriteFile(copied / "1" / fs::u8path(name), "one");
    WriteFile(copied / "2" / fs::u8path(name), "two");
    SaveJob job = Job(SaveJob::Kind::Files, dir.Path());
    job.storedCopies = {copied / "1" / fs::u8path(name), copied / "2" / fs::u8path(name)};
    EXPECT_EQ(RunSave(job).failed, 0u);
    EXPECT_EQ(ReadFile(dir / "manual-save" / "07-03-26_14-05-09" / "files" / fs::u8path(second)), "two");
}

TEST(SaveLayout, UniqueNamesNumberTheLaterOnes)
{
    std::set<std::string> used;
    EXPECT_EQ(UniqueFileName("a.txt", used), "a.txt");
    EXPECT_EQ(UniqueFileName("a.txt", used), "a (2).txt");
    EXPECT_EQ(UniqueFileName("a.txt", used), "a (3).txt");
    EXPECT_EQ(UniqueFileName("archive.tar.gz", used), "archive.tar.gz");
    EXPECT_EQ(UniqueFileName("archive.tar.gz", used), "archive.tar (2).gz");
    EXPECT_EQ(UniqueFileName(".bashrc", used), ".bashrc");
    EXPECT_EQ(UniqueFileName(".bashrc", used), ".bashrc (2)");
    EXPECT_EQ(UniqueFileName("b (2)", used), "b (2)");
    EXPECT_EQ(UniqueFileName("b", used), "b");
    EXPECT_EQ(UniqueFileName("b", used), "b (3)");  // "b (2)" is taken by another record
}

TEST(SaveLayout, NothingThereIsEverWrittenOver)
{
    TempDir dir;
    const fs::path copied = dir / "copied-files";
    for (const char* n : {"1", "2", "3"})
        fs::create_directories(copied / n);
    WriteFile(copied / "1" / "Report.txt", "upper");
    WriteFile(copied / "2" / "report.txt", "lower");
    WriteFile(copied / "3" / "notes.txt", "ours");
    const fs::path files = dir / "manual-save" / "07-03-26_14-05-09" / "files";
    fs::create_directories(files);
    WriteFile(files / "notes.txt", "the user's");
    SaveJob job = Job(SaveJob::Kind::Files, dir.Path());
    job.storedCopies = {copied / "1" / "Report.txt", copied / "2" / "report.txt", copied / "3" / "notes.txt"};
    EXPECT_EQ(RunSave(job).failed, 0u);

    // Names that differ only in case are one name where the file system
    // ignores case (every Windows folder, a FAT stick): both records are
    // kept whichever kind of file system this is.
    std::multiset<std::string> contents;
    for (const auto& entry : fs::directory_iterator(files))
        contents.insert(ReadFile(entry.path()));
    EXPECT_EQ(contents, (std::multiset<std::string>{"upper", "lower", "ours", "the user's"}));
    EXPECT_EQ(ReadFile(files / "notes.txt"), "the user's");
    EXPECT_EQ(ReadFile(files / "notes (2).txt"), "ours");
}

TEST(SaveQueue, FinishingStopsALongSaveBetweenFilesAndReportsNothingAfter)
{
    TempDir dir;
    fs::create_directories(dir / "copied-files" / "1");
    const std::string content(4096, 'x');
    {
        std::ofstream file(dir / "copied-files" / "1" / "page", std::ios::binary);
        file << content;
    }
    std::atomic<int> reports{0};
    SaveQueue queue([&](const SaveReport&) { ++reports; });
    SaveJob job = Job(SaveJob::Kind::Files, dir.Path());
    constexpr size_t kFiles = 20000;
    job.storedCopies.assign(kFiles, dir / "copied-files" / "1" / "page");
    const fs::path files = dir / "manual-save" / job.stamp / "files";
    queue.Submit(std::move(job));

    // Finished only once the save is under way, so that there is something
    // to stop.
    std::error_code none;
    auto started = std::chrono::steady_clock::now();
    while (!fs::exists(files / "page", none) && std::chrono::steady_clock::now() - started < std::chrono::seconds(30))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(fs::exists(files / "page", none));
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(queue.Finish(start, start + std::chrono::seconds(20)));
    EXPECT_EQ(reports, 0);

    // Cut short, and what it did write is whole.
    size_t written = 0;
    for (const auto& entry : fs::directory_iterator(files, none))
    {
        ++written;
        EXPECT_EQ(ReadFile(entry.path()), content) << entry.path();
    }
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, kFiles);
}

TEST(SaveQueue, WritesEveryJobBeforeFinishing)
{
    TempDir dir;
    SaveQueue queue;
    for (int i = 0; i < 5; ++i)
    {
        SaveJob job = Job(SaveJob::Kind::Text, dir.Path());
        job.stamp = "stamp-" + std::to_string(i);
        job.texts = {MakeSharedText("job " + std::to_string(i))};
        queue.Submit(std::move(job));
    }
    queue.Finish();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(ReadFile(dir / "manual-save" / "text" / ("stamp-" + std::to_string(i)) / "1.txt"),
                  "job " + std::to_string(i));
}
