#pragma once

#include "common/UniqueFd.h"

#include <string>

// The device end of a pseudo-terminal. The master is what the simulator reads and writes; the slave
// is the "serial port" clients open. The simulator keeps a slave descriptor of its own open for its
// whole life, so that the master never sees the hang-up (EIO) of a slave without openers and nothing
// a client wrote before closing is lost. It also watches the slave node for closes: after each, the
// slave is put back into raw mode and a client's exclusive-use flag (TIOCEXCL) is cleared, which
// would otherwise outlive the client and refuse every later open by an ordinary user.
class TPseudoTerminal {
public:
    // Opens master and slave, sets raw mode; throws std::runtime_error naming the failing step.
    void Open();
    void Close();

    int MasterFd() const { return Master.Get(); }
    // Readable when a client has closed the slave; call AfterClientClosed then.
    int WatchFd() const { return Watch.Get(); }
    const std::string& SlavePath() const { return Path; }

    // Drains the watch; when it reports a close, restores raw mode and clears exclusive use.
    void AfterClientClosed();

private:
    void MakeRaw();

    TUniqueFd Master;
    TUniqueFd Slave;
    TUniqueFd Watch;
    std::string Path;
};
