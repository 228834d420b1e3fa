#include "clipboard/held_copy.h"

#include "clipboard/clip_offer.h"

#include <utility>

void HeldCopy::Hold(std::uint64_t serial, Build build)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_serial = serial;
    m_build = std::move(build);
    if (m_wake)
        m_wake();
}

HeldCopy::Build HeldCopy::Find(std::uint64_t serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return serial != 0 && serial == m_serial ? m_build : Build();
}

void HeldCopy::OnHeld(std::function<void()> wake)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = std::move(wake);
}
