#include "serial/PortAdapter.h"

#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

namespace {

// The class of serial and parallel ports, {4d36e978-e325-11ce-bfc1-08002be10318}.
const GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
// The product string the USB device itself reports (DEVPKEY_Device_BusReportedDeviceDesc).
const DEVPROPKEY BusReportedDescription = {
    {0x540b947e, 0x8b40, 0x45bc, {0xa8, 0xa2, 0x6a, 0x0b, 0x89, 0x4c, 0xbd, 0xa2}}, 4};

std::string Utf8(const std::wstring& wide) {
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                            nullptr, nullptr);
    return text;
}

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The text up to the first terminating null of a buffer the system filled.
std::wstring UpToNull(const std::vector<wchar_t>& buffer) {
    std::wstring text(buffer.data(), buffer.size());
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return text;
}

struct TDeviceListCloser {
    void operator()(void* list) const { SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(list)); }
};
struct TKeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using TDeviceList = std::unique_ptr<void, TDeviceListCloser>;
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TKeyCloser>;

std::wstring PortName(HDEVINFO list, SP_DEVINFO_DATA& device) {
    const HKEY raw = SetupDiOpenDevRegKey(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (raw == INVALID_HANDLE_VALUE)
        return std::wstring();
    const TKey key(raw);
    std::vector<wchar_t> name(64, L'\0');
    DWORD size = static_cast<DWORD>((name.size() - 1) * sizeof(wchar_t));
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name.data()),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return UpToNull(name);
}

std::wstring RegistryText(HDEVINFO list, SP_DEVINFO_DATA& device, DWORD property) {
    std::vector<wchar_t> text(512, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(list, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(text.data()),
                                           static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t)), nullptr))
        return std::wstring();
    return UpToNull(text);
}

std::wstring PropertyText(HDEVINFO list, SP_DEVINFO_DATA& device, const DEVPROPKEY& key) {
    std::vector<wchar_t> text(512, L'\0');
    DEVPROPTYPE type = 0;
    if (!SetupDiGetDevicePropertyW(list, &device, &key, &type, reinterpret_cast<BYTE*>(text.data()),
                                   static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t)), nullptr, 0) ||
        type != DEVPROP_TYPE_STRING)
        return std::wstring();
    return UpToNull(text);
}

std::wstring InstanceId(DEVINST node) {
    std::vector<wchar_t> id(MAX_DEVICE_ID_LEN + 1, L'\0');
    if (CM_Get_Device_IDW(node, id.data(), static_cast<ULONG>(id.size() - 1), 0) != CR_SUCCESS)
        return std::wstring();
    return UpToNull(id);
}

// The four hex digits after key ("VID_") in an instance or hardware id, lower case.
std::string HexAfter(const std::wstring& id, const std::wstring& key) {
    const std::size_t at = Upper(id).find(key);
    if (at == std::wstring::npos || id.size() < at + key.size() + 4)
        return std::string();
    std::string digits = Utf8(id.substr(at + key.size(), 4));
    for (char& c : digits)
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    return digits;
}

// From the port's node up to the USB device ("USB\VID_0403&PID_6001\A12345"): its numbers, and its
// serial number where the instance id is one (Windows makes up an id with "&" for a device without).
void ReadUsbParent(DEVINST node, TPortAdapter& adapter) {
    for (int depth = 0; depth < 8; ++depth) {
        const std::wstring id = InstanceId(node);
        if (Upper(id).compare(0, 8, L"USB\\VID_") == 0) {
            adapter.VendorId = HexAfter(id, L"VID_");
            adapter.ProductId = HexAfter(id, L"PID_");
            const std::wstring last = id.substr(id.rfind(L'\\') + 1);
            if (last.find(L'&') == std::wstring::npos)
                adapter.Serial = Utf8(last);
            // An interface of a composite device: its serial number is its parent's.
            if (Upper(id).find(L"&MI_") == std::wstring::npos)
                return;
        }
        DEVINST parent = 0;
        if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS)
            return;
        node = parent;
    }
}

std::wstring BareName(const std::string& devicePath) {
    std::wstring name = Upper(Wide(devicePath));
    const std::size_t slash = name.find_last_of(L"\\/");
    return slash == std::wstring::npos ? name : name.substr(slash + 1);
}

} // namespace

// The device manager's properties of the port whose "PortName" is the path's last part ("COM3"):
// the USB device's numbers and serial number from the instance ids up the tree, the product string
// the device reported, and the manufacturer its driver names.
TPortAdapter DescribePortAdapter(const std::string& devicePath, const std::string&) {
    TPortAdapter adapter;
    const std::wstring wanted = BareName(devicePath);
    const HDEVINFO raw = SetupDiGetClassDevsW(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (raw == INVALID_HANDLE_VALUE)
        return adapter;
    const TDeviceList list(raw);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(raw, index, &device); ++index) {
        if (Upper(PortName(raw, device)) != wanted)
            continue;
        ReadUsbParent(device.DevInst, adapter);
        if (!adapter.Known())
            return TPortAdapter();
        adapter.Product = Utf8(PropertyText(raw, device, BusReportedDescription));
        adapter.Maker = Utf8(RegistryText(raw, device, SPDRP_MFG));
        return adapter;
    }
    return adapter;
}
