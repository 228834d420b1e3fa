#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

class ClipLogger;
class ClipboardConnection;
class RecordInbox;

// The end of the program: one order, and every time budget of it. Quitting
// ends the program within a second, however it is asked for (Exit, Alt+F4,
// the close box, a quit signal, the display going away).
class ShutDown
{
public:
    using Clock = std::chrono::steady_clock;

    // From a quit signal to the end of the process, whatever holds the GUI
    // thread.
    static constexpr std::chrono::milliseconds kQuitLimit{800};
    // A running save gets this long to finish before it is stopped ...
    static constexpr std::chrono::milliseconds kSaveGrace{400};
    // ... and whatever still runs this long after the start is let go.
    static constexpr std::chrono::milliseconds kStopLimit{600};
    // The stored copies' removal within the end: what takes longer is
    // finished after it.
    static constexpr std::chrono::milliseconds kRemovalBudget{150};

    // What there is to stop; any of it may be missing.
    struct Parts
    {
        ClipboardConnection* clipboard = nullptr;
        RecordInbox* inbox = nullptr;
        ClipLogger* capture = nullptr;
        // The window's own work (saves, an image being made ready for the
        // clipboard): runs until the first time, stops by the second; false
        // when something was let go.
        std::function<bool(Clock::time_point grace, Clock::time_point deadline)> windowWork;
        // The stored copies' folder; empty when this instance has none.
        std::filesystem::path storedCopies;
    };

    // Stops the clipboard connection and the capture, drops records still
    // on their way, lets a running save finish or stops it, and removes
    // the stored copies. Runs once; later calls do nothing. False when work
    // was let go: it still runs, holds what it was given, and the process
    // must end without destroying any of it.
    bool Run(const Parts& parts);

    bool Done() const { return m_done; }

    // For a thread that ends the process without the GUI thread: the
    // stored copies go, within the budget.
    static void RemoveStoredCopies(const std::filesystem::path& folder);

private:
    bool m_done = false;
    bool m_allEnded = true;
};
