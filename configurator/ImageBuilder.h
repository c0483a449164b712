#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The configuration image: the project's parameter file compiled into the fixed layout that the
// updater writes into the converter's configuration region.

constexpr std::size_t ImageCapacity = 100004;
constexpr std::int32_t ImageHeaderLength = 4;
constexpr std::int32_t FullImageLength = 29;

// The image's bytes, the header first.
using TImage = std::vector<std::uint8_t>;

// A build or a write of the image that failed; the text says what failed.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compiles the parameter file of projectDir ("Pargen.xml", its name matched without regard to
// letter case): the 4-byte header alone when there is no file, 29 bytes otherwise. Raises
// EImageError when the file does not parse or a required value cannot be read.
TImage BuildImage(const std::string& projectDir);

// Writes image to projectDir + "/bin/bank.bin" (with "\\" on Windows), creating the bin folder with
// every missing level. The new file replaces the old one only when it was written whole; otherwise
// raises EImageError "Unable to write to <path>" and the earlier image stays as it was.
void WriteImage(const std::string& projectDir, const TImage& image);

// The process-wide image of the current project, ProjectDir's: the image from its first byte;
// bytes beyond ImageLength are never written.
extern std::uint8_t ImageBuffer[ImageCapacity];
extern std::int32_t ImageLength;

// BuildImage(ProjectDir) into ImageBuffer and ImageLength; after an error ImageLength is 4.
void BuildImage();

// WriteImage(ProjectDir) of the first ImageLength bytes of ImageBuffer.
void WriteImage();
