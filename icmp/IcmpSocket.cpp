#include "icmp/IcmpSocket.h"

std::string TIPv4Address::Text() const {
    return std::to_string(Bytes[0]) + "." + std::to_string(Bytes[1]) + "." + std::to_string(Bytes[2]) + "." +
           std::to_string(Bytes[3]);
}

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < length; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2)
        sum += static_cast<std::uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> ComposeIcmpErrorMessage(std::uint8_t type, std::uint8_t code,
                                                  const TIPv4Address& destination, const std::uint8_t* quoted,
                                                  std::size_t quotedLength) {
    constexpr std::size_t IcmpHeader = 8;
    constexpr std::size_t InnerHeader = 20;
    std::vector<std::uint8_t> message(IcmpHeader + InnerHeader + quotedLength, 0);
    message[0] = type;
    message[1] = code;
    std::uint8_t* inner = message.data() + IcmpHeader;
    const std::size_t innerLength = InnerHeader + quotedLength;
    inner[0] = 0x45; // version 4, five words of header
    inner[2] = static_cast<std::uint8_t>(innerLength >> 8);
    inner[3] = static_cast<std::uint8_t>(innerLength);
    inner[8] = IcmpTimeToLive;
    inner[9] = 1; // ICMP
    for (int i = 0; i < 4; ++i)
        inner[16 + i] = destination.Bytes[i];
    const std::uint16_t innerSum = InternetChecksum(inner, InnerHeader);
    inner[10] = static_cast<std::uint8_t>(innerSum >> 8);
    inner[11] = static_cast<std::uint8_t>(innerSum);
    for (std::size_t i = 0; i < quotedLength; ++i)
        inner[InnerHeader + i] = quoted[i];
    const std::uint16_t sum = InternetChecksum(message.data(), message.size());
    message[2] = static_cast<std::uint8_t>(sum >> 8);
    message[3] = static_cast<std::uint8_t>(sum);
    return message;
}
