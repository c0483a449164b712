#pragma once

#include <chrono>
#include <functional>

// The progress tick of a display without a window timer: while enabled, Poll calls the tick once
// its interval has passed since it was enabled or last called, and never from inside the tick.
class TProgressTickClock {
public:
    explicit TProgressTickClock(int tickMs) : Interval(tickMs) {}

    void Enable(bool enabled);
    bool Enabled() const { return Ticking; }
    void Poll(const std::function<void()>& tick);

private:
    std::chrono::milliseconds Interval;
    bool Ticking = false;
    bool InTick = false;
    std::chrono::steady_clock::time_point NextTick{};
};
