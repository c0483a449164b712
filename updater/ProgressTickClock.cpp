#include "updater/ProgressTickClock.h"

void TProgressTickClock::Enable(bool enabled) {
    if (enabled && !Ticking)
        NextTick = std::chrono::steady_clock::now() + Interval;
    Ticking = enabled;
}

void TProgressTickClock::Poll(const std::function<void()>& tick) {
    if (!Ticking || InTick || !tick)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now < NextTick)
        return;
    NextTick = now + Interval;
    InTick = true;
    tick();
    InTick = false;
}
