#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

struct ClipOffer;

// What the program holds of the clipboard's content, handed from the
// capture thread, which decides what a read found, to the clipboard
// connection, which puts it back on the clipboard when the program that
// copied it has gone. Shared by both, so that either may end first.
class HeldCopy
{
public:
    using Build = std::function<ClipOffer()>;

    // The capture thread: the read `serial` found this, whole.
    void Hold(std::uint64_t serial, Build build);

    // What the read `serial` found, or an empty function when that is not
    // what is held.
    Build Find(std::uint64_t serial) const;

    // Called after each Hold, from the capture thread; nullptr stops it,
    // and no call is under way once that returns.
    void OnHeld(std::function<void()> wake);

private:
    mutable std::mutex m_mutex;
    std::uint64_t m_serial = 0;
    Build m_build;
    std::function<void()> m_wake;
};
