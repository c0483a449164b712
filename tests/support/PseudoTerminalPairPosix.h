#pragma once

#include "common/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair: the test plays the far end on Master, the component under test opens
// SlavePath like a serial device. Both descriptors close with the pair.
class TPseudoTerminalPair {
public:
    enum TFlags : unsigned {
        // Also hold the slave side open (Slave), in raw mode unless KeepLineSettings.
        OpenSlave = 1,
        KeepLineSettings = 2,
        // Both descriptors non-blocking.
        NonBlocking = 4,
    };

    explicit TPseudoTerminalPair(unsigned flags = 0) {
        const int nonBlocking = (flags & NonBlocking) ? O_NONBLOCK : 0;
        Master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | nonBlocking));
        if (!Master.Valid() || ::grantpt(Master.Get()) != 0 || ::unlockpt(Master.Get()) != 0)
            throw std::runtime_error(std::string("cannot make a pseudo-terminal: ") + std::strerror(errno));
        char name[128];
        if (::ptsname_r(Master.Get(), name, sizeof name) != 0)
            throw std::runtime_error(std::string("cannot name the pseudo-terminal: ") + std::strerror(errno));
        SlavePath = name;
        if (!(flags & OpenSlave))
            return;
        Slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | nonBlocking));
        if (!Slave.Valid())
            throw std::runtime_error("cannot open " + SlavePath + ": " + std::strerror(errno));
        if (flags & KeepLineSettings)
            return;
        termios raw{};
        if (::tcgetattr(Slave.Get(), &raw) != 0)
            throw std::runtime_error("cannot read the settings of " + SlavePath + ": " +
                                     std::strerror(errno));
        ::cfmakeraw(&raw);
        if (::tcsetattr(Slave.Get(), TCSANOW, &raw) != 0)
            throw std::runtime_error("cannot put " + SlavePath + " in raw mode: " + std::strerror(errno));
    }

    TUniqueFd Master;
    TUniqueFd Slave;
    std::string SlavePath;
};
