#include "configurator/ImageBuilder.h"

#include "common/FileContract.h"
#include "common/SafeFile.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"

#include <pugixml.hpp>

#include <filesystem>
#include <string>

std::uint8_t ImageBuffer[ImageCapacity];
std::int32_t ImageLength = 0;

namespace {

// The document the builder loads the parameter file into; replaced at every build.
pugi::xml_document XML0;

// Stores values at the write position, low byte first.
class TImageWriter {
public:
    void Byte(int value) { ImageBuffer[Position++] = static_cast<std::uint8_t>(value & 0xFF); }
    void Word(int value) {
        Byte(value);
        Byte(value >> 8);
    }
    void Long(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            Byte(static_cast<int>(value >> (8 * i)));
    }
    std::int32_t Length() const { return static_cast<std::int32_t>(Position); }

private:
    std::size_t Position = 0;
};

void RequiredAddress(TImageWriter& out, pugi::xml_node root, const char* element,
                     const ParamNames::TAttributeNames& attributes) {
    for (const char* attribute : attributes)
        out.Byte(RequiredAttributeNumber(root, element, attribute));
}

} // namespace

void BuildImage() {
    using namespace ParamNames;
    TImageWriter out;
    out.Long(4);
    ImageLength = out.Length();

    const std::string path = FindParamFile(ProjectDir);
    if (path.empty())
        return;
    try {
        LoadParamDocument(XML0, path);
        const pugi::xml_node root = XML0.document_element();
        // Only the low byte of the code is kept: adding in unsigned arithmetic gives it for every
        // integer the file may hold, 2147483647 included, without a signed overflow.
        out.Byte(static_cast<int>((static_cast<std::uint32_t>(RequiredNumber(root, CanBr)) + 1u) & 0xFFu));
        out.Byte(RequiredNumber(root, CanType));
        RequiredAddress(out, root, AddIp, AddIpAttributes);
        RequiredAddress(out, root, Subnet, SubnetAttributes);
        RequiredAddress(out, root, Dest, DestAttributes);
        out.Word(RequiredNumber(root, Port));
        out.Byte(RequiredNumber(root, Protocol));
        out.Byte(RequiredNumber(root, Multi));

        out.Byte(OptionalNumber(root, TypeDev, 0));
        out.Byte(OptionalNumber(root, EnGate, 0));
        for (int octet : OptionalAddress(root, Gateway, GatewayAttributes, {192, 168, 0, 1}))
            out.Byte(octet);
        out.Byte(OptionalNumber(root, UdpBroad, 0));
    } catch (const std::exception& e) {
        throw EImageError("Cannot compile " + path + ": " + e.what());
    }
    ImageLength = out.Length();
}

void WriteImage() {
    const std::string folder = ProjectDir + PathSeparator + ImageFolder();
    const std::string path = folder + ImageFileName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        throw EImageError("Unable to write to " + path);
    const std::string bytes(reinterpret_cast<const char*>(ImageBuffer),
                            static_cast<std::size_t>(ImageLength));
    if (!WriteFileReplacing(path, bytes))
        throw EImageError("Unable to write to " + path);
}
