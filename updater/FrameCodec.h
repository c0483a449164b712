#pragma once

#include <cstdint>

// The boot loader's line protocol: ASCII hexadecimal frames ended by a carriage return, upper-case
// digits, most significant first, each number padded with "0" to the width of its field.

constexpr int FrameDataBytes = 128;      // data bytes of one block
constexpr int FrameCapacity = 328;       // room of the outgoing frame buffer
constexpr int CommandFrameSize = 15;     // space 2, address 6, command 2, length 4, CR
constexpr int WriteFrameSize = 273;      // the command header, 256 data digits, checksum 2, CR
constexpr int AckBufferSize = 256;       // receive buffer of an acknowledge
constexpr int AckMinSize = 7;            // an acknowledge's bytes up to its "O.K."
constexpr int DataReplyBufferSize = 321; // receive buffer of a data reply
constexpr int DataReplyMinSize = 258;    // 256 data digits and 2 checksum digits

constexpr int CommandWrite = 2;
constexpr int CommandRead = 3;

// Writes the command frame into frame (CommandFrameSize bytes at least); returns its length.
int BuildCommandFrame(std::uint8_t* frame, std::int32_t memorySpace, std::uint32_t address, int command,
                      int length);

// Writes the write frame of the FrameDataBytes bytes of block into frame (WriteFrameSize bytes at
// least), the checksum being the exclusive-or of the data bytes; returns its length.
int BuildWriteFrame(std::uint8_t* frame, std::int32_t memorySpace, std::uint32_t address, int command,
                    const std::uint8_t* block);

// True when the reply holds at least seven bytes with "O.K." at offsets 3 to 6.
bool IsAcknowledge(const std::uint8_t* reply, int count);

struct TDataReply {
    bool Good = false; // the checksum digits are hexadecimal and match the decoded bytes
    int Length = 0;    // data bytes decoded into the block
};

// Decodes a data reply into block (FrameDataBytes bytes, which the caller has zeroed): every byte
// before the last two that is not "0"-"9" or "A"-"F" is skipped, the digits are paired into bytes,
// and the last two bytes are the checksum digits in either case. More data digits than the block
// holds make the reply not good, and nothing is written past the block.
TDataReply DecodeDataReply(const std::uint8_t* reply, int count, std::uint8_t* block);
