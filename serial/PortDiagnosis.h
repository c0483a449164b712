#pragma once

#include <string>
#include <vector>

// What can be found out about a serial device path without using it: whether it is there, is a
// terminal, opens for this user, and, when it does not, why. Gathered by DiagnosePort (the platform's
// file), turned into words by the functions below.

struct TPortProcess {
    int Pid = 0;
    std::string Name;
};

enum class TPortVerdict {
    Opens,        // opened for reading and writing and taken for exclusive use
    Missing,      // no such file (or a link to nothing)
    NotTerminal,  // something else than a terminal device: a regular file, a folder, a pipe
    NoPermission, // the user may not read and write it
    Held,         // another program holds it for exclusive use
    NoHardware,   // a node without a device behind it (a ttyS with no UART)
    OtherError    // any other failure of the open
};

struct TPortDiagnosis {
    std::string Path;
    std::string Target; // where Path leads when it is a link, otherwise empty
    TPortVerdict Verdict = TPortVerdict::OtherError;
    std::string OpenError; // the system's text for a failed open or lock
    bool Exists = false;
    bool CharacterDevice = false;
    bool Terminal = false;
    std::string Kind; // "character device", "regular file", "folder", "pipe" ...

    // Ownership, for a refused open.
    std::string Owner;
    std::string Group;
    unsigned Mode = 0; // permission bits
    bool UserIsOwner = false;
    bool InGroup = false;     // this process has the group now
    bool GroupListed = false; // the user is listed in the group, maybe since after this login
    bool GroupMayUse = false; // the group has read and write permission
    std::string UserName;

    // The programs that have the device open, this one included (other users' programs may not be seen).
    std::vector<TPortProcess> Holders;
    // Those of them holding its exclusive-use lock (from /proc/locks).
    std::vector<TPortProcess> Lockers;
    // A running ModemManager, which probes new USB serial ports for modems.
    TPortProcess ModemManager;

    bool PseudoTerminal = false;
    std::string Driver; // kernel driver of a real port ("ftdi_sio", "cp210x", "serial8250")
    std::string Uart;   // the UART a built-in port's driver found ("16550A"); empty when not known
    bool Usb = false;
    std::string UsbProduct; // the adapter's product string
    std::string UsbMaker;   // its manufacturer string
};

// The diagnosis of one device path (the platform's file).
TPortDiagnosis DiagnosePort(const std::string& path);
// The same for a path whose open by the serial component already failed with openError (its
// ECommError code: the system's error, or -1 for a device that is not a terminal): the verdict comes
// from that error, and the device is not opened again.
TPortDiagnosis DiagnoseFailedOpen(const std::string& path, int openError);

// The adapter in a few words: "pseudo-terminal", "USB adapter FT232R USB UART (ftdi_sio)",
// "serial port, UART 16550A, driver serial8250"; empty when nothing is known.
std::string AdapterText(const TPortDiagnosis& d);

// The verdict in one line: "opens", "permission denied: group dialout, ...", "held by ...".
std::string PortReason(const TPortDiagnosis& d);

// The whole diagnosis for a person, several lines, each ending in "\n".
std::string FormatPortDiagnosis(const TPortDiagnosis& d);
