#include "serial/PortDiagnosis.h"

namespace {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string ProcessText(const TPortProcess& p) {
    return p.Name + " (pid " + std::to_string(p.Pid) + ")";
}

std::string HoldersText(const std::vector<TPortProcess>& holders) {
    std::string text;
    for (const auto& p : holders)
        text += (text.empty() ? "" : ", ") + ProcessText(p);
    return text;
}

// "crw-rw----" for a character device's permission bits.
std::string ModeText(unsigned mode) {
    std::string text = "c";
    const char letters[] = "rwx";
    for (int bit = 8; bit >= 0; --bit)
        text += (mode & (1u << bit)) ? letters[(8 - bit) % 3] : '-';
    return text;
}

std::string YesNo(bool b) {
    return b ? "yes" : "no";
}

void Add(std::string& out, const char* label, const std::string& text) {
    std::string head = std::string("  ") + label;
    head.resize(13, ' ');
    out += head + text + "\n";
}

void AddMore(std::string& out, const std::string& text) {
    out += std::string(13, ' ') + text + "\n";
}

} // namespace

std::string AdapterText(const TPortDiagnosis& d) {
    if (d.PseudoTerminal)
        return "pseudo-terminal (a program's virtual port, such as the converter simulator)";
    if (!d.CharacterDevice)
        return std::string();
    std::string text;
    if (d.Usb) {
        text = "USB adapter";
        if (!d.UsbProduct.empty())
            text += " " + Quoted(d.UsbProduct);
        if (!d.UsbMaker.empty())
            text += " by " + d.UsbMaker;
    } else if (!d.Driver.empty() || !d.Uart.empty()) {
        text = "serial port";
        if (!d.Uart.empty())
            text += ", UART " + d.Uart;
    }
    if (!d.Driver.empty())
        text += ", driver " + d.Driver;
    return text;
}

std::string PortReason(const TPortDiagnosis& d) {
    switch (d.Verdict) {
    case TPortVerdict::Opens:
        return "opens";
    case TPortVerdict::Missing:
        return d.Target.empty() ? "does not exist" : "a link to " + d.Target + ", which does not exist";
    case TPortVerdict::NotTerminal:
        return d.CharacterDevice ? "a character device but not a terminal"
                                 : "not a terminal device but a " + d.Kind;
    case TPortVerdict::NoPermission:
        if (d.GroupMayUse && !d.InGroup)
            return "permission denied: the port belongs to group " + d.Group +
                   (d.GroupListed ? ", joined since this login" : ", and you are not in it");
        return "permission denied: " + ModeText(d.Mode) + " " + d.Owner + ":" + d.Group;
    case TPortVerdict::Held:
        if (!d.Lockers.empty())
            return "held by " + HoldersText(d.Lockers);
        return d.Holders.empty() ? "held by another program" : "held by " + HoldersText(d.Holders);
    case TPortVerdict::NoHardware:
        return "no device behind the node (" + d.OpenError + ")";
    case TPortVerdict::OtherError:
        break;
    }
    return "does not open: " + d.OpenError;
}

std::string FormatPortDiagnosis(const TPortDiagnosis& d) {
    std::string out = d.Path + (d.Target.empty() ? "" : " -> " + d.Target) + "\n";
    Add(out,
        "exists:", d.Exists ? (d.CharacterDevice ? "yes, a character device" : "yes, a " + d.Kind) : "no");
    if (!d.Exists) {
        AddMore(out, "Check the name (ze50321 ports lists the ports there are); a USB adapter appears");
        AddMore(out, "as /dev/ttyUSB<n> or /dev/ttyACM<n> once plugged in.");
        return out;
    }
    if (!d.CharacterDevice) {
        Add(out, "terminal:", "no: not a serial port");
        return out;
    }
    const bool opened = d.Verdict == TPortVerdict::Opens;
    if (opened || d.Verdict == TPortVerdict::NotTerminal || d.Verdict == TPortVerdict::NoHardware)
        Add(out, "terminal:", YesNo(d.Terminal));
    Add(out, "opens:", opened ? "yes" : "no, " + PortReason(d));
    const std::string adapter = AdapterText(d);
    if (!adapter.empty())
        Add(out, "adapter:", adapter);

    switch (d.Verdict) {
    case TPortVerdict::NoPermission:
        Add(out, "why:",
            d.Path + " is " + ModeText(d.Mode) + " " + d.Owner + ":" + d.Group + "; user " + d.UserName +
                (d.InGroup ? " is" : " is not") + " in group " + d.Group + ".");
        if (d.GroupMayUse && !d.InGroup && d.GroupListed) {
            AddMore(out, "You were added to group " + d.Group + " after this login: log in again.");
        } else if (d.GroupMayUse && !d.InGroup) {
            AddMore(out, "Join the group, then log in again:");
            AddMore(out, "  sudo usermod -aG " + d.Group + " $USER");
        } else {
            AddMore(out, "Neither its owner's nor its group's permission lets you read and write it;");
            AddMore(out, "ask the administrator for a udev rule that gives it to group dialout.");
        }
        break;
    case TPortVerdict::Held:
        if (d.Holders.empty() && d.Lockers.empty())
            AddMore(out, "Another program holds it; its process could not be seen (another user's).");
        else
            AddMore(out, "Close it there first (a terminal program, another update, the configurator).");
        break;
    case TPortVerdict::NoHardware:
        AddMore(out, "The node exists but no serial hardware answers behind it.");
        break;
    default:
        break;
    }
    if (d.Verdict != TPortVerdict::Held && !d.Holders.empty())
        Add(out, "also open:", "in " + HoldersText(d.Holders));
    if (d.ModemManager.Pid > 0)
        Add(out, "note:",
            ProcessText(d.ModemManager) +
                (d.Usb ? " is running and is likely to probe this USB serial port"
                       : " is running; it probes USB serial ports") +
                " for a modem,");
    if (d.ModemManager.Pid > 0) {
        AddMore(out, "sending it AT commands and holding it for a while after it appears. Stop it with");
        AddMore(out, "  sudo systemctl stop ModemManager");
        AddMore(out, "or mark the adapter ENV{ID_MM_DEVICE_IGNORE}=\"1\" in a udev rule.");
    }
    return out;
}
