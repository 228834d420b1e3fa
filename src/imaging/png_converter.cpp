#include "imaging/png_converter.h"

#include <utility>

PngConverter::PngConverter(Done done) : m_done(std::make_shared<const Done>(std::move(done))) {}

PngConverter::~PngConverter()
{
    Stop(std::chrono::steady_clock::time_point::max());
}

std::uint64_t PngConverter::Convert(ImageRecord record)
{
    if (m_worker.StopRequested() || !m_worker.Start())
        return 0;
    const std::uint64_t request = ++m_lastRequest;
    // The task holds all it uses, so that it can be let go.
    bool posted = m_worker.PostInstead([channel = m_worker.ChannelForTasks(), done = m_done,
                                        record = std::move(record), request] {
        SharedBytes png = PngOf(record);
        channel.Tell([&] { (*done)(request, std::move(png)); });
    });
    return posted ? request : 0;
}

bool PngConverter::Stop(std::chrono::steady_clock::time_point deadline)
{
    return m_worker.Stop(deadline);
}
