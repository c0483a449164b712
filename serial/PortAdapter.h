#pragma once

#include <string>

// The USB adapter behind a serial device as the system describes it; a field the system does not
// tell (a pseudo-terminal, a built-in port, a string the device does not carry) is empty.
struct TPortAdapter {
    std::string VendorId;  // four lower-case hex digits, "0403"
    std::string ProductId; // "6001"
    std::string Serial;    // the device's serial number string
    std::string Product;   // its product string
    std::string Maker;     // its manufacturer string

    bool Known() const { return !VendorId.empty() || !ProductId.empty(); }
};

// The system's device tree the Linux twin reads; tests give a tree of their own.
inline constexpr const char* SystemDeviceTree = "/sys";

// The adapter behind devicePath, links (/dev/serial/by-id/...) followed first. deviceTree is read on
// Linux only; Windows asks its device manager.
TPortAdapter DescribePortAdapter(const std::string& devicePath,
                                 const std::string& deviceTree = SystemDeviceTree);
