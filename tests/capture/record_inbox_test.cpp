#include "capture/record_inbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::vector<std::string> TextsOf(std::vector<RecordInbox::Arrival> arrivals)
{
    std::vector<std::string> texts;
    for (auto& arrival : arrivals)
        texts.push_back(*std::get<TextRecord>(arrival.record).text);
    return texts;
}

void AddText(RecordInbox& inbox, const std::string& text)
{
    inbox.AddText(MakeSharedText(text), std::chrono::steady_clock::now());
}

}  // namespace

TEST(RecordInbox, HandsOverInOrderAndWakesOncePerBatch)
{
    std::atomic<int> wakes{0};
    RecordInbox inbox([&] { ++wakes; });
    AddText(inbox, "a");
    AddText(inbox, "b");
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(TextsOf(inbox.Take()), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(inbox.Take().empty());
    AddText(inbox, "c");
    EXPECT_EQ(wakes, 2);
}

TEST(RecordInbox, DropsEverythingOnceClosed)
{
    std::atomic<int> wakes{0};
    RecordInbox inbox([&] { ++wakes; });
    AddText(inbox, "waiting");
    inbox.Close();
    AddText(inbox, "late");
    EXPECT_TRUE(inbox.Take().empty());
    EXPECT_EQ(wakes, 1);
}

TEST(RecordInbox, RecordsFromTheCaptureThreadArriveInOrder)
{
    std::atomic<int> wakes{0};
    RecordInbox inbox([&] { ++wakes; });
    constexpr int kCount = 20000;
    std::thread capture([&] {
        for (int i = 0; i < kCount; ++i)
            AddText(inbox, std::to_string(i));
    });
    std::vector<std::string> taken;
    int batches = 0;
    while (taken.size() < kCount)
    {
        std::vector<std::string> batch = TextsOf(inbox.Take());
        batches += batch.empty() ? 0 : 1;
        batches += batch.size() >= RecordInbox::kFloodBatch ? 1 : 0;  // woken again when full
        for (std::string& text : batch)
            taken.push_back(std::move(text));
    }
    capture.join();
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(taken[i], std::to_string(i));
    // Every batch was announced by exactly one wake, and a full one by a
    // second: none lost (records left waiting unseen), none spare (the GUI
    // thread woken for nothing).
    EXPECT_EQ(wakes, batches);
    inbox.Close();
}

TEST(RecordInbox, TakesABurstAtMostEveryTenMilliseconds)
{
    RecordInbox inbox(nullptr);
    using namespace std::chrono;
    EXPECT_EQ(inbox.WaitBeforeTaking(steady_clock::now()), milliseconds(0));  // the first take is at once
    inbox.Take();
    auto taken = steady_clock::now();
    milliseconds wait = inbox.WaitBeforeTaking(taken + milliseconds(3));
    EXPECT_GE(wait, milliseconds(7));
    EXPECT_LE(wait, milliseconds(10));
    EXPECT_EQ(inbox.WaitBeforeTaking(taken + milliseconds(11)), milliseconds(0));
}

TEST(RecordInbox, AFloodOfChangesIsTakenOnceASecondAndAPauseEndsIt)
{
    RecordInbox inbox(nullptr);
    using namespace std::chrono;
    const steady_clock::time_point start = steady_clock::now();
    auto add = [&](int i, steady_clock::time_point at) { inbox.AddText(MakeSharedText(std::to_string(i)), at); };

    // A list of files is one change, however many records it makes.
    for (int i = 0; i < 40; ++i)
        add(i, start);
    inbox.Take(start);
    EXPECT_EQ(inbox.WaitBeforeTaking(start + milliseconds(11)), milliseconds(0));

    // Copies by hand, seven a second: each at once.
    steady_clock::time_point at = start;
    for (int i = 0; i < 30; ++i)
    {
        at += milliseconds(140);
        add(i, at);
        ASSERT_EQ(inbox.WaitBeforeTaking(at + milliseconds(11)), milliseconds(0)) << i;
        inbox.Take(at + milliseconds(11));
    }

    // Twenty changes a second: waits up to a second once sixteen came within one.
    for (int i = 0; i < 16; ++i)
    {
        at += milliseconds(50);
        add(i, at);
    }
    inbox.Take(at);
    EXPECT_GE(inbox.WaitBeforeTaking(at + milliseconds(11)), milliseconds(900));
    EXPECT_LE(inbox.WaitBeforeTaking(at + milliseconds(11)), RecordInbox::kFloodTakeInterval);

    // A full batch is taken at the usual pace.
    for (std::size_t i = 0; i < RecordInbox::kFloodBatch; ++i)
        add(static_cast<int>(i), at + milliseconds(5 + i));
    EXPECT_EQ(inbox.WaitBeforeTaking(at + milliseconds(300)), milliseconds(0));
    inbox.Take(at + milliseconds(300));

    // After a pause, at once again.
    at += seconds(3);
    add(0, at);
    EXPECT_EQ(inbox.WaitBeforeTaking(at + milliseconds(11)), milliseconds(0));
}

TEST(RecordInbox, DuringAFloodTheWindowComesBackByItselfAndIsNotWoken)
{
    int wakes = 0;
    RecordInbox inbox([&] { ++wakes; });
    using namespace std::chrono;
    steady_clock::time_point at = steady_clock::now();
    for (int i = 0; i < 20; ++i)
        inbox.AddText(MakeSharedText(std::to_string(i)), at += milliseconds(50));
    inbox.Take(at);
    ASSERT_EQ(inbox.ComeBackIn(at), RecordInbox::kFloodTakeInterval);
    wakes = 0;
    for (int i = 0; i < 20; ++i)
        inbox.AddText(MakeSharedText(std::to_string(i)), at += milliseconds(50));
    EXPECT_EQ(wakes, 0);
    for (std::size_t i = 20; i < RecordInbox::kFloodBatch; ++i)
        inbox.AddText(MakeSharedText(std::to_string(i)), at);
    EXPECT_EQ(wakes, 1) << "a full batch still wakes it";

    // The take after the flood finds none in the last second: records wake it again.
    EXPECT_EQ(inbox.Take(at).size(), RecordInbox::kFloodBatch);
    at += milliseconds(1100);
    inbox.Take(at);
    EXPECT_EQ(inbox.ComeBackIn(at), milliseconds(0));
    inbox.AddText(MakeSharedText("by hand"), at);
    EXPECT_EQ(wakes, 2);
}
