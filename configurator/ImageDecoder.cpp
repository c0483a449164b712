#include "configurator/ImageDecoder.h"

#include "configurator/ImageBuilder.h"

#include <algorithm>
#include <cstdio>

namespace {

// Offsets of the image's fields.
constexpr std::size_t CodeAt = 4, FrameAt = 5, IpAt = 6, MaskAt = 10, DestAt = 14, PortAt = 18,
                      TransportAt = 20, MultiAt = 21, RoleAt = 22, GatewaySwitchAt = 23, GatewayAt = 24,
                      BroadcastAt = 28;
constexpr std::uint8_t Header[4] = {0x04, 0x00, 0x00, 0x00};
constexpr int LowestCode = 1;
constexpr int HighestCode = static_cast<int>(CanBitRates.size());

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "", bytes[i]);
        text += hex;
    }
    return text;
}

TAddressTexts Address(const std::uint8_t* bytes) {
    return {std::to_string(bytes[0]), std::to_string(bytes[1]), std::to_string(bytes[2]),
            std::to_string(bytes[3])};
}

} // namespace

TImageDecoding DecodeImage(const std::uint8_t* bytes, std::size_t count) {
    TImageDecoding out;
    const auto refuse = [&out](const std::string& why) {
        out.Why = why;
        return out;
    };
    constexpr auto length = static_cast<std::size_t>(FullImageLength);
    if (count < length)
        return refuse("holds " + std::to_string(count) + " bytes, an image has " + std::to_string(length));
    const std::uint8_t* end = bytes + length;
    if (std::all_of(bytes, end, [](std::uint8_t b) { return b == 0xFF; }))
        return refuse("is erased (all FF): no image was written there");
    if (!std::equal(Header, Header + 4, bytes))
        return refuse("does not start with the image header 04 00 00 00 but with " + HexBytes(bytes, 4));
    if (std::all_of(bytes + CodeAt, end, [](std::uint8_t b) { return b == 0; }))
        return refuse("holds the image header alone (04 00 00 00), from a project without parameters");
    const int code = bytes[CodeAt];
    if (code < LowestCode || code > HighestCode)
        return refuse("holds the bit-rate code " + std::to_string(code) + ", outside 1 to 9");
    const struct {
        std::size_t At;
        const char* Name;
    } binary[] = {{FrameAt, "frame format"}, {TransportAt, "transport"},          {MultiAt, "multiframe"},
                  {RoleAt, "role"},          {GatewaySwitchAt, "gateway switch"}, {BroadcastAt, "broadcast"}};
    for (const auto& b : binary)
        if (bytes[b.At] > 1)
            return refuse("holds " + std::to_string(bytes[b.At]) + " as its " + b.Name + " (byte " +
                          std::to_string(b.At) + "), not 0 or 1");

    TParamValues& v = out.Values;
    v.CanBr = code - 1;
    v.CanType = bytes[FrameAt];
    v.AddIp = Address(bytes + IpAt);
    v.Subnet = Address(bytes + MaskAt);
    v.Dest = Address(bytes + DestAt);
    v.Port = std::to_string(bytes[PortAt] | bytes[PortAt + 1] << 8);
    v.Protocol = bytes[TransportAt];
    v.Multi = bytes[MultiAt] == 1;
    v.TypeDev = bytes[RoleAt];
    v.EnGate = bytes[GatewaySwitchAt] == 1;
    v.Gateway = Address(bytes + GatewayAt);
    v.UdpBroad = bytes[BroadcastAt] == 1;
    out.Decoded = true;
    return out;
}
