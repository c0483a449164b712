#pragma once

#include <csignal>

// Set by Ctrl-C while a TInterruptGuard lives.
extern volatile std::sig_atomic_t Interrupted;

// Ctrl-C sets Interrupted for as long as this lives; the previous handling comes back afterwards.
class TInterruptGuard {
public:
    TInterruptGuard();
    ~TInterruptGuard();
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;
};
