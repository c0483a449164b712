#pragma once

#include "serial/CommPort.h"

#include <cstdint>

#include <windows.h>

// The flag word of the line settings as the DCB's bit fields hold it.
inline std::uint32_t DcbFlags(const DCB& d) {
    std::uint32_t f = 0;
    f |= d.fBinary ? DcbBinary : 0;
    f |= d.fParity ? DcbParityCheck : 0;
    f |= d.fOutxCtsFlow ? DcbOutxCtsFlow : 0;
    f |= d.fOutxDsrFlow ? DcbOutxDsrFlow : 0;
    f |= (static_cast<std::uint32_t>(d.fDtrControl) << 4) & DcbDtrControlMask;
    f |= d.fDsrSensitivity ? DcbDsrSensitivity : 0;
    f |= d.fTXContinueOnXoff ? DcbTxContinueOnXoff : 0;
    f |= d.fOutX ? DcbOutX : 0;
    f |= d.fInX ? DcbInX : 0;
    f |= d.fErrorChar ? DcbErrorChar : 0;
    f |= d.fNull ? DcbNull : 0;
    f |= (static_cast<std::uint32_t>(d.fRtsControl) << 12) & DcbRtsControlMask;
    f |= d.fAbortOnError ? DcbAbortOnError : 0;
    return f;
}

// Every flag bit of the DCB is set from the word: a bit the word does not name is cleared, so nothing
// is left as the last program to use the port set it.
inline void SetDcbFlags(DCB& d, std::uint32_t f) {
    d.fBinary = (f & DcbBinary) != 0;
    d.fParity = (f & DcbParityCheck) != 0;
    d.fOutxCtsFlow = (f & DcbOutxCtsFlow) != 0;
    d.fOutxDsrFlow = (f & DcbOutxDsrFlow) != 0;
    d.fDtrControl = (f & DcbDtrControlMask) >> 4;
    d.fDsrSensitivity = (f & DcbDsrSensitivity) != 0;
    d.fTXContinueOnXoff = (f & DcbTxContinueOnXoff) != 0;
    d.fOutX = (f & DcbOutX) != 0;
    d.fInX = (f & DcbInX) != 0;
    d.fErrorChar = (f & DcbErrorChar) != 0;
    d.fNull = (f & DcbNull) != 0;
    d.fRtsControl = (f & DcbRtsControlMask) >> 12;
    d.fAbortOnError = (f & DcbAbortOnError) != 0;
    d.fDummy2 = 0;
}
