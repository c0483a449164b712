#include "configurator/ImageBuilder.h"

#include "common/FileContract.h"
#include "common/SafeFile.h"
#include "common/Utf8Path.h"
#include "configurator/ParamFile.h"
#include "configurator/ProjectPaths.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <string>

std::uint8_t ImageBuffer[ImageCapacity];
std::int32_t ImageLength = 0;

namespace {

// Stores values at the end of the image, low byte first.
class TImageWriter {
public:
    void Byte(int value) { Image.push_back(static_cast<std::uint8_t>(value & 0xFF)); }
    void Word(int value) {
        Byte(value);
        Byte(value >> 8);
    }
    void Long(std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            Byte(static_cast<int>(value >> (8 * i)));
    }
    TImage Image;
};

void RequiredAddress(TImageWriter& out, pugi::xml_node root, const char* element,
                     const ParamNames::TAttributeNames& attributes) {
    for (const char* attribute : attributes)
        out.Byte(RequiredAttributeNumber(root, element, attribute));
}

} // namespace

TImage BuildImage(const std::string& projectDir) {
    using namespace ParamNames;
    TImageWriter out;
    out.Long(4);

    const std::string path = FindParamFile(projectDir);
    if (path.empty())
        return out.Image;
    try {
        pugi::xml_document doc;
        LoadParamDocument(doc, path);
        const pugi::xml_node root = doc.document_element();
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
    return out.Image;
}

void WriteImage(const std::string& projectDir, const TImage& image) {
    const std::string folder = projectDir + PathSeparator + ImageFolder();
    const std::string path = folder + ImageFileName;
    std::error_code ec;
    std::filesystem::create_directories(Utf8Path(folder), ec);
    if (!std::filesystem::is_directory(Utf8Path(folder), ec))
        throw EImageError("Unable to write to " + path);
    const std::string bytes(image.begin(), image.end());
    if (!WriteFileReplacing(path, bytes))
        throw EImageError("Unable to write to " + path);
}

void BuildImage() {
    ImageLength = ImageHeaderLength;
    const TImage image = BuildImage(ProjectDir);
    std::copy(image.begin(), image.end(), ImageBuffer);
    ImageLength = static_cast<std::int32_t>(image.size());
}

void WriteImage() {
    WriteImage(ProjectDir, TImage(ImageBuffer, ImageBuffer + ImageLength));
}
