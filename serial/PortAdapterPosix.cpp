#include "serial/PortAdapter.h"

#include <climits>
#include <cstdlib>
#include <fstream>

#include <unistd.h>

namespace {

std::string Resolved(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string FirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

} // namespace

TPortAdapter DescribePortAdapter(const std::string& devicePath, const std::string& deviceTree) {
    TPortAdapter adapter;
    const std::string node = Resolved(devicePath);
    const std::string tree = Resolved(deviceTree);
    if (node.empty() || tree.empty())
        return adapter;
    // A pseudo-terminal has no entry in the tty class; a built-in port has one without a USB parent.
    const std::string name = node.substr(node.rfind('/') + 1);
    if (name.empty() || node.compare(0, 9, "/dev/pts/") == 0)
        return adapter;
    const std::string device = Resolved(tree + "/class/tty/" + name + "/device");
    if (device.compare(0, tree.size() + 1, tree + "/") != 0)
        return adapter;
    // The USB device is the first parent that carries a vendor number (the interface and the
    // usb-serial port below it do not).
    for (std::string dir = device; dir.size() > tree.size(); dir.resize(dir.rfind('/'))) {
        if (::access((dir + "/idVendor").c_str(), F_OK) == 0) {
            adapter.VendorId = FirstLine(dir + "/idVendor");
            adapter.ProductId = FirstLine(dir + "/idProduct");
            adapter.Serial = FirstLine(dir + "/serial");
            adapter.Product = FirstLine(dir + "/product");
            adapter.Maker = FirstLine(dir + "/manufacturer");
            break;
        }
    }
    return adapter;
}
