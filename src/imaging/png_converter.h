#pragma once

#include "imaging/image_record.h"
#include "work/worker.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

// Makes the PNG of a recorded image that is kept in another form, on a
// thread of its own: a 4K JPEG takes a good part of a second to decode and
// encode, which the window must not wait for. Only the newest request
// counts; one still waiting when another comes is dropped. The thread starts
// with the first request, so a program that never needs it pays nothing.
class PngConverter
{
public:
    // Called on the converter's thread with the request's number and its
    // PNG, which is null when the image could not be converted. Never called
    // once Stop() has begun.
    using Done = std::function<void(std::uint64_t request, SharedBytes png)>;

    explicit PngConverter(Done done);
    ~PngConverter();  // Stop() without a deadline, unless it was stopped already
    PngConverter(const PngConverter&) = delete;
    PngConverter& operator=(const PngConverter&) = delete;

    // Numbers from 1 up, in the order asked; 0, and nothing done, once
    // Stop() has been called.
    std::uint64_t Convert(ImageRecord record);

    // Drops the request waiting and waits until `deadline` for a conversion
    // under way. False when one was still running then: it is let go, ends
    // on its own and answers nobody, and the process must end without its
    // static clean-up, which would take the image handlers from under it.
    // Once let go, later calls return false at once.
    bool Stop(std::chrono::steady_clock::time_point deadline);

private:
    std::shared_ptr<const Done> m_done;  // shared with the tasks, which may outlive the converter
    std::atomic<std::uint64_t> m_lastRequest{0};
    Worker m_worker;
};
