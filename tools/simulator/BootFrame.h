#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The boot loader's side of the line protocol: recognising the workstation's frames and forming the
// device's replies.

// Memory of the converter as the simulator keeps it: both regions of memory space 0.
constexpr std::uint32_t MemoryFirstAddress = 0x4000;
constexpr std::uint32_t MemoryEndAddress = 0x28000; // one past the last address
constexpr std::uint32_t MemorySize = MemoryEndAddress - MemoryFirstAddress;
constexpr std::size_t BlockSize = 128;

// Frame lengths without the closing carriage return.
constexpr std::size_t ReadCommandTextLength = 14;
constexpr std::size_t WriteFrameTextLength = 14 + 2 * BlockSize + 2;

// Replies: an accepted write frame, and a refused frame of any kind (same length, no "O.K.").
inline const std::string AcknowledgeReply = "00 O.K.\r";
inline const std::string RefusalReply = "00 ERR!\r";

enum class TFrameKind { Write, Read, Malformed };

struct TBootFrame {
    TFrameKind Kind = TFrameKind::Malformed;
    std::uint32_t Address = 0;
    std::array<std::uint8_t, BlockSize> Data{};
    std::string Reason;         // why a malformed frame is refused
    std::size_t StaleBytes = 0; // bytes in front of the frame that were not part of it
};

// Recognises one line received before a carriage return (the CR itself not included). A line that
// is longer than a frame but ends with a well-formed frame is taken as that frame behind stale bytes
// (the rest of an abandoned frame, say); everything else that is not exactly one frame is malformed.
TBootFrame ParseBootLine(const std::string& line);

// The data reply for one block: 256 upper-case digits and 2 checksum digits, no CR. badChecksum
// sends a checksum that does not match; noisy puts blanks and CR/LF between the data digits;
// shortened puts two blanks in place of the digits of the byte at ShortenedByteOffset, with the
// checksum of the 127 bytes that are left, so that the reply is well formed but a byte short.
std::string EncodeDataReply(const std::uint8_t* block, bool badChecksum, bool noisy, bool shortened = false);

// The byte whose digits a shortened data reply leaves out.
constexpr std::size_t ShortenedByteOffset = 64;

// The exclusive-or of the block's bytes.
std::uint8_t BlockChecksum(const std::uint8_t* block);
