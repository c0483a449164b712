#pragma once

#include "configurator/ParamFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The configuration image read back into parameters: the inverse of the image builder, so that the
// parameters written as Set Communication writes them compile into the same 29 bytes again.
struct TImageDecoding {
    bool Decoded = false;
    TParamValues Values; // the image's parameters once Decoded; octets and the port as decimal texts
    std::string Why;     // why the bytes hold no image, when not Decoded
};

// Decodes the first 29 of count bytes. Refused, with the reason: fewer than 29 bytes, an erased
// block (FF), a header other than 04 00 00 00, a bit-rate code outside 1 to 9, and a switch or
// choice byte other than 0 or 1 (a parameter file written by Set Communication cannot hold it).
TImageDecoding DecodeImage(const std::uint8_t* bytes, std::size_t count);
