#pragma once

#include <stdexcept>
#include <string>

// The line settings and the error every port raises, shared by TComm and the port interface the
// boot-link worker talks to.

enum TBaudrate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    br1500000,
    br3000000
};
enum TParity { paNone, paOdd, paEven, paMark, paSpace };
enum TStopbits { sb10, sb15, sb20 };
enum TDatabits { da4, da5, da6, da7, da8 };
enum TFlowControl { fcNone, fcCTS, fcDTR, fcSoftware, fcDefault };

// The text of a line function or a wait on a port that is not open.
constexpr const char* PortNotOpenText = "Port not open, unable to complete operation";

// Raised on every port failure. what() is the situation's text followed by " (Error: %d) " with the
// code; Reason is the system's text for the code, or the situation's text where the code is not a
// system error (-1).
class ECommError : public std::runtime_error {
public:
    ECommError(const std::string& text, int code);
    int Code;
    std::string Reason;
};

// The system's text for an error code of the platform's serial calls (the platform's file).
std::string CommErrorText(int code);
