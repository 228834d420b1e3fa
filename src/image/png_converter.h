#pragma once

#include "image/image_record.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// Makes the PNG of a recorded image that is kept in another form, on a
// thread of its own: a 4K JPEG takes a good part of a second to decode and
// encode, which the window must not wait for. Only the newest request
// counts; one still waiting when another comes is dropped. The thread starts
// with the first request, so a program that never needs it pays nothing.
class PngConverter
{
public:
    // Called on the converter's thread with the request's number and its
    // PNG, which is null when the image could not be converted.
    using Done = std::function<void(std::uint64_t request, SharedBytes png)>;

    explicit PngConverter(Done done);
    ~PngConverter();  // waits for a conversion under way; drops those waiting
    PngConverter(const PngConverter&) = delete;
    PngConverter& operator=(const PngConverter&) = delete;

    // Numbers from 1 up, in the order asked.
    std::uint64_t Convert(ImageRecord record);

private:
    void Run();

    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    ImageRecord m_waiting;
    std::uint64_t m_waitingRequest = 0;  // 0: none waiting
    std::uint64_t m_lastRequest = 0;
    bool m_stop = false;
    std::thread m_thread;
};
