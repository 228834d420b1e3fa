#pragma once

#include "work/worker.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>

// The thread a clipboard reader runs on: it waits on the reader's own
// connection to the display server, runs what other threads post to it in
// order, and wakes for the reader's deadlines. The X and the Wayland reader
// share it, so that both have one shape: a connection of their own, never
// the window's thread.
class ReaderLoop
{
public:
    using Clock = std::chrono::steady_clock;

    class Source
    {
    public:
        virtual ~Source() = default;
        // Adds the descriptors to wait on (the connection's, and any pipes
        // a transfer runs through); called before each wait.
        virtual void Watch(std::vector<pollfd>& fds) = 0;
        // Handles whatever has arrived and whatever deadline has passed, and
        // sends what is to be sent; `fds` are those of the last Watch() with
        // what the wait found (empty the first time). False once the
        // connection is lost: the loop then ends.
        virtual bool Dispatch(const std::vector<pollfd>& fds) = 0;
        virtual std::optional<Clock::time_point> NextDeadline() const = 0;
    };

    ReaderLoop();
    ReaderLoop(const ReaderLoop&) = delete;
    ReaderLoop& operator=(const ReaderLoop&) = delete;
    ~ReaderLoop();

    bool Start(Source* source);
    // Runs `task` on the loop's thread, after those posted before it. False
    // when the loop is not running, and the task is dropped.
    bool Post(std::function<void()> task);
    // Runs `last` on the loop's thread, then ends it and waits for it.
    void Stop(std::function<void()> last = {});
    bool Running() const;

private:
    void Serve();
    void Rouse();

    Source* m_source = nullptr;
    int m_wake = -1;
    std::atomic<bool> m_connected{false};
    Worker m_worker;
};

// This machine's host name, as the file: URIs of its own files may name it;
// both readers need it to tell local files from others.
std::string LocalHostName();
