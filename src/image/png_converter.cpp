#include "image/png_converter.h"

#include <utility>

PngConverter::PngConverter(Done done) : m_done(std::move(done)) {}

PngConverter::~PngConverter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

std::uint64_t PngConverter::Convert(ImageRecord record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_waiting = std::move(record);
    m_waitingRequest = ++m_lastRequest;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
    else
        m_wake.notify_one();
    return m_lastRequest;
}

void PngConverter::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_stop || m_waitingRequest != 0; });
        if (m_stop)
            return;
        ImageRecord record = std::move(m_waiting);
        m_waiting = {};
        std::uint64_t request = std::exchange(m_waitingRequest, 0);
        lock.unlock();
        SharedBytes png = PngOf(record);
        m_done(request, std::move(png));
        lock.lock();
    }
}
