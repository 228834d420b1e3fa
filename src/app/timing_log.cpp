#include "app/timing_log.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

std::unique_ptr<TimingLog> TimingLog::FromEnvironment()
{
    const char* path = std::getenv("QUILLORY_TIMING_LOG");
    if (!path || !*path)
        return nullptr;
    std::FILE* file = std::fopen(path, "a");
    if (!file)
    {
        std::fprintf(stderr, "quillory: cannot write the timing log %s: %s\n", path, std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<TimingLog>(new TimingLog(file));
}

TimingLog::~TimingLog()
{
    std::fclose(m_file);
}

void TimingLog::Shown(const char* kind, ChangeTime changedAt)
{
    auto waited = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - changedAt);
    std::fprintf(m_file, "%s %lld\n", kind, static_cast<long long>(waited.count()));
}

void TimingLog::Flush()
{
    std::fflush(m_file);
}
