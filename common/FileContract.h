#pragma once

#include <cstdint>
#include <string>

// What the configurator and the updater agree on: the names of the files one writes and the other
// reads, and where in the converter's memory each of them goes.

// The updater's program file, beside the configurator's own.
constexpr const char* UpdaterProgramName = "Ser_50321_Update";
// The firmware file in the MASTER folder.
constexpr const char* FirmwareFileName = "vod50321.sim";
// The folder of a project that holds its configuration image.
constexpr const char* ImageFolderName = "bin";
// That folder with the platform's separator behind it ("bin/", "bin\\" on Windows): the updater's
// project-folder argument ends so, and the updater appends the image's name to it.
std::string ImageFolder();
// The configuration image compiled from a project's parameter file.
constexpr const char* ImageFileName = "bank.bin";

// Read-back files: the prefix, the time stamp and the extension.
constexpr const char* FirmwareReadBackPrefix = "USB";
constexpr const char* ImageReadBackPrefix = "ParGen_";
constexpr const char* ReadBackExtension = ".b79";

// Device memory map: both regions lie in memory space 0; last addresses are inclusive. Region 0
// takes the firmware file, region 1 the configuration image.
constexpr int FirmwareRegion = 0;
constexpr int ConfigRegion = 1;
constexpr std::uint32_t FirmwareRegionFirst = 0x4000;
constexpr std::uint32_t FirmwareRegionLast = 0x23FFF;
constexpr std::uint32_t ConfigRegionFirst = 0x24000;
constexpr std::uint32_t ConfigRegionLast = 0x27FFF;
