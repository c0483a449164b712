#pragma once

#include <unistd.h>

// Owns one file descriptor; closes it when replaced or destroyed.
class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : Fd(fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd&& other) noexcept : Fd(other.Release()) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    int Release() {
        const int fd = Fd;
        Fd = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (Fd >= 0)
            ::close(Fd);
        Fd = fd;
    }

private:
    int Fd = -1;
};
