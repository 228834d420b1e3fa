#include "work/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = Worker::Clock;

}  // namespace

TEST(WorkerTest, RunsInOrderKeepsOnlyTheNewestWhenAskedAndTellsNothingAfterTheStop)
{
    Worker worker;
    std::vector<int> order;  // the worker's until it is idle
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    worker.Post([released] { released.wait(); });  // holds the rest back
    for (int i = 0; i < 100; ++i)
        worker.Post([&order, i] { order.push_back(i); });
    ASSERT_TRUE(worker.Start());
    release.set_value();
    ASSERT_TRUE(worker.WaitUntilIdle(Clock::now() + 10s));
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);

    std::promise<void> hold;
    std::shared_future<void> held = hold.get_future().share();
    order.clear();
    std::promise<void> started;
    std::future<void> underWay = started.get_future();
    // Under way before the replacing posts, or they would replace it too.
    worker.Post([held, &started] {
        started.set_value();
        held.wait();
    });
    underWay.wait();
    for (int i = 0; i < 5; ++i)
        worker.PostInstead([&order, i] { order.push_back(i); });
    hold.set_value();
    ASSERT_TRUE(worker.WaitUntilIdle(Clock::now() + 10s));
    EXPECT_EQ(order, std::vector<int>{4});

    Worker::Channel channel = worker.ChannelForTasks();
    EXPECT_TRUE(worker.Stop(Clock::now() + 10s));
    EXPECT_TRUE(channel.StopRequested());
    bool told = false;
    EXPECT_FALSE(channel.Tell([&] { told = true; }));
    EXPECT_FALSE(told);
    EXPECT_FALSE(worker.Post([] {}));
}

// A task that does not end in time is let go: the stop returns by its
// deadline, and the task, ended later, still finds all it holds although
// its worker is gone.
TEST(WorkerTest, LetsGoOfATaskThatOutlastsTheDeadline)
{
    auto held = std::make_shared<std::promise<void>>();
    std::shared_future<void> release = held->get_future().share();
    auto ended = std::make_shared<std::promise<bool>>();
    std::future<bool> endedTold = ended->get_future();
    {
        Worker worker;
        ASSERT_TRUE(worker.Start());
        auto started = std::make_shared<std::promise<void>>();
        std::future<void> underWay = started->get_future();
        worker.Post([channel = worker.ChannelForTasks(), release, ended, started] {
            started->set_value();
            release.wait();
            ended->set_value(channel.Tell([] {}));
        });
        underWay.wait();
        const Clock::time_point start = Clock::now();
        EXPECT_FALSE(worker.Stop(start + 100ms));
        EXPECT_LT(Clock::now() - start, 2s);
        EXPECT_FALSE(worker.Stop(Clock::time_point::max()));  // at once, once let go
    }
    held->set_value();
    ASSERT_EQ(endedTold.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(endedTold.get());  // stopped: it tells nobody
}
