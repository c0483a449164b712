#pragma once

#include <string>
#include <vector>

// The folder the system keeps its serial device nodes in ("/dev"; on Windows the device namespace
// "\\.\").
extern const char* const DefaultPortFolder;

// The serial ports that exist below devDir, as names relative to it ("ttyS0", "ttyUSB1",
// "serial/by-id/usb-FTDI_..."), in natural order. Looked at: ttyS*, ttyUSB*, ttyACM*, ttyAMA*,
// rfcomm*, the links in serial/by-id/, and links tty* to a pseudo-terminal (/dev/pts/N). A node is
// listed when it opens as a terminal, or when it is a character device that is held or not
// permitted (EACCES, EBUSY); any other failure (a UART-less ttyS node answers EIO) leaves it out.
// On Windows: COM1 to COM256 in ascending order, each listed when "\\.\COMn" opens or is held by
// another program (access denied).
std::vector<std::string> ListComPorts(const std::string& devDir = DefaultPortFolder);

// The path to open, and to hand to the updater, for a name ListComPorts(devDir) listed; a full path
// (a per-user port) stays as it is.
std::string ComPortPath(const std::string& name, const std::string& devDir = DefaultPortFolder);

// The per-user folder of virtual-port links, where a user without write access to /dev links a
// virtual port (the converter simulator's) so that the port lists show it:
// $XDG_RUNTIME_DIR/ze50321/ports, or /tmp/ze50321-<uid>/ports where no runtime folder is set.
std::string UserPortFolder();

// The ports linked in a per-user port folder, as full paths, in natural order: the entries that
// are there as ListComPorts would list them. The folder counts only when this user owns it and
// its parent and no one else may write to either, so that no one else can plant a port there.
std::vector<std::string> ListUserComPorts(const std::string& folder);

// Natural order: runs of digits compare by their value, so ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b);
