#include "app/main_frame.h"
#include "capture/record_inbox.h"
#include "imaging/image_codec.h"
#include "imaging/image_record.h"
#include "gui_support.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <wx/image.h>

#include <chrono>

namespace fs = std::filesystem;

// A record the capture thread has handed over is part of the user's
// records, whether or not the window has shown it yet, and whether or not
// the page it belongs on has been made yet.
TEST(MainFrameSave, SaveEverythingIncludesRecordsStillWaitingForTheWindow)
{
    TempDir dir;
    RecordInbox inbox(nullptr);  // never wakes the window: the records stay waiting
    auto* frame = new MainFrame();
    frame->SetClipboard(TestClipboard());
    frame->SetSaveRoot(dir.Path());
    frame->SetInbox(&inbox);
    inbox.AddText(MakeSharedText("just copied"), std::chrono::steady_clock::now());
    inbox.AddImage(MakeImageRecord(wxImage(40, 30), {}), std::chrono::steady_clock::now());
    Choose(frame, MainFrame::ID_SAVE_EVERYTHING);
    auto now = std::chrono::steady_clock::now();
    EXPECT_TRUE(frame->FinishWork(now + std::chrono::seconds(10), now + std::chrono::seconds(20)));

    std::vector<std::string> saved;
    int images = 0;
    for (const auto& stamp : fs::directory_iterator(dir / "manual-save"))
    {
        if (fs::exists(stamp.path() / "text" / "1.txt"))
            saved.push_back(ReadFile(stamp.path() / "text" / "1.txt"));
        images += fs::exists(stamp.path() / "images" / "1.jpg");
    }
    EXPECT_EQ(saved, std::vector<std::string>{"just copied"});
    EXPECT_EQ(images, 1);
    frame->SetInbox(nullptr);
    frame->Destroy();
    Pump(20);
}
