#pragma once

#include <cstdint>

// The converter's memory map as the boot-link worker moves it: both regions lie in memory space 0,
// last addresses inclusive. The firmware region takes the firmware file, the configuration region
// the configuration image.

enum class TRegionId : int { Firmware = 0, Configuration = 1 };

constexpr TRegionId FirmwareRegion = TRegionId::Firmware;
constexpr TRegionId ConfigRegion = TRegionId::Configuration;
constexpr std::uint32_t FirmwareRegionFirst = 0x4000;
constexpr std::uint32_t FirmwareRegionLast = 0x23FFF;
constexpr std::uint32_t ConfigRegionFirst = 0x24000;
constexpr std::uint32_t ConfigRegionLast = 0x27FFF;

// One region of the memory map, its last address inclusive.
struct TRegion {
    std::uint32_t First;
    std::uint32_t Last;
    std::uint32_t Size() const { return Last - First + 1; }
};

// The addresses of region.
constexpr TRegion RegionOf(TRegionId region) {
    return region == TRegionId::Firmware ? TRegion{FirmwareRegionFirst, FirmwareRegionLast}
                                         : TRegion{ConfigRegionFirst, ConfigRegionLast};
}
