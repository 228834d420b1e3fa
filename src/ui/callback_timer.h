#pragma once

#include <wx/timer.h>

#include <functional>

// A timer that calls back, so that its owner needs no timer event of its own.
class CallbackTimer : public wxTimer
{
public:
    explicit CallbackTimer(std::function<void()> notify) : m_notify(std::move(notify)) {}
    void Notify() override { m_notify(); }

private:
    std::function<void()> m_notify;
};
