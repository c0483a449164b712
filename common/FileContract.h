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
