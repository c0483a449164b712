#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// The configuration image: the project's parameter file compiled into the fixed layout that the
// updater writes into the converter's configuration region.

constexpr std::size_t ImageCapacity = 100004;
constexpr std::int32_t ImageHeaderLength = 4;
constexpr std::int32_t FullImageLength = 29;

// The image is assembled here from its first byte; bytes beyond ImageLength are never written.
extern std::uint8_t ImageBuffer[ImageCapacity];
extern std::int32_t ImageLength;

// A build or a write of the image that failed; the text says what failed.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compiles the parameter file of ProjectDir ("Pargen.xml", its name matched without regard to
// letter case) into ImageBuffer and ImageLength: the 4-byte header alone when there is no file,
// 29 bytes otherwise. Raises EImageError when the file does not parse or a required value cannot
// be read; ImageLength is then 4.
void BuildImage();

// Writes the image to ProjectDir + "/bin/bank.bin" (with "\\" on Windows), creating the bin folder with every
// missing level. The new file replaces the old one only when it was written whole; otherwise raises
// EImageError "Unable to write to <path>" and the earlier image stays as it was.
void WriteImage();
