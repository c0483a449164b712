// The image builder's view of any parameter file: an error, or an image of exactly 29 bytes; the
// header alone is left after an error.
#include "configurator/ImageBuilder.h"
#include "configurator/ProjectPaths.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ProjectDir = FuzzFolder();
    WriteWhole(ProjectDir + "/Pargen.xml", std::string(reinterpret_cast<const char*>(data), size));
    try {
        BuildImage();
    } catch (const EImageError&) {
        FUZZ_ASSERT(ImageLength == ImageHeaderLength);
        return 0;
    }
    FUZZ_ASSERT(ImageLength == FullImageLength);
    return 0;
}
