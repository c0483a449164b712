#pragma once

#include <utility>

#include <unistd.h>

// Owns one file descriptor and closes it when it goes.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : Fd(fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    TUniqueFd(TUniqueFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.Fd, -1));
        return *this;
    }

    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(Fd, -1); }
    void Reset(int fd = -1) {
        if (Fd >= 0)
            ::close(Fd);
        Fd = fd;
    }

private:
    int Fd = -1;
};
