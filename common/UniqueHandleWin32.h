#pragma once

#include <utility>

#include <windows.h>

// Owns one kernel handle (device, event, thread, process) and closes it when it goes. Both null
// and INVALID_HANDLE_VALUE mean none, as the calls that make handles answer either.
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(HANDLE handle) : Handle(handle) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : Handle(std::exchange(other.Handle, nullptr)) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.Handle, nullptr));
        return *this;
    }

    HANDLE Get() const { return Handle; }
    bool Valid() const { return Handle != nullptr && Handle != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        if (Valid())
            CloseHandle(Handle);
        Handle = handle;
    }

private:
    HANDLE Handle = nullptr;
};
