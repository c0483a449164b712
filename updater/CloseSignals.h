#pragma once

#include <atomic>
#include <csignal>

// While one of these lives, the signals that ask a program to end (SIGTERM, SIGHUP at logout,
// SIGINT from Ctrl-C) only note that a close was asked for, so that the program can give up its
// transfer, remove its read-back file and end in order. The previous handling comes back after it.
class TCloseSignals {
public:
    TCloseSignals();
    ~TCloseSignals();
    TCloseSignals(const TCloseSignals&) = delete;
    TCloseSignals& operator=(const TCloseSignals&) = delete;

    // The number of the last such signal received, 0 while none came.
    static const volatile std::sig_atomic_t& Received();
    // The same number for the other threads of the program: a volatile sig_atomic_t is safe for the
    // thread the signal lands on, but orders nothing between threads; a lock-free atomic does both.
    static const std::atomic<int>& Asked();
};
