#pragma once

#include <utility>

// Owns one file descriptor or socket and closes it when it goes.
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
    // Closes the descriptor held, if any, and takes fd.
    void Reset(int fd = -1);
    // Closes the descriptor held; false when the system reports the close failed (errno tells why).
    bool Close();

private:
    int Fd = -1;
};
