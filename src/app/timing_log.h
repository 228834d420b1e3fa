#pragma once

#include "clipboard/clip_snapshot.h"

#include <cstdio>
#include <memory>

// How long records take from the clipboard change to the page, by the
// program's own clock, for measuring: with QUILLORY_TIMING_LOG naming a file,
// one line per record shown, "<kind> <microseconds>", and one per save
// finished, "save <microseconds>" from the command. Off unless asked for.
class TimingLog
{
public:
    // nullptr when the environment does not ask for a log or the file
    // cannot be made (said once on stderr).
    static std::unique_ptr<TimingLog> FromEnvironment();

    ~TimingLog();

    void Shown(const char* kind, ChangeTime changedAt);
    // What was shown reaches the file: once per take, not once per record,
    // so that the log costs the program a write per take.
    void Flush();

private:
    explicit TimingLog(std::FILE* file) : m_file(file) {}

    std::FILE* m_file;
};
