#pragma once

// The two small answers every file step gives the same way.

#include <atomic>

// Whether the caller asked the running step to stop; no request is none.
inline bool StopRequested(const std::atomic<bool>* stop)
{
    return stop && stop->load(std::memory_order_relaxed);
}

// Sets `error`, if given, to `code` (an errno value) and returns false.
inline bool FailWith(int* error, int code)
{
    if (error)
        *error = code;
    return false;
}
