// Port discovery on Windows: the registry's list of serial ports, HARDWARE\DEVICEMAP\SERIALCOMM,
// each port's number taken from its value's data ("COM7" is port 7), and what the device setup
// API says of the adapter behind it (its friendly name, maker and USB ids). Nothing is opened.

#include <windows.h>
// clang-format off
#include <devguid.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <string>

#include "serial/PortList.h"

namespace orq {

const char kPortListSeparator = ';';

namespace {

constexpr DWORD kMostValues = 100;

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                          nullptr, nullptr);
    return utf8;
}

struct Adapter {
    std::string friendlyName, manufacturer, vendorId, productId;
    bool usb = false;
};

std::wstring DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                             reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                             nullptr))
        return {};
    return buffer;  // a multi-string's first entry
}

// "USB\VID_0403&PID_6001&REV_0600" or "FTDIBUS\COMPORT&VID_0403&PID_6001": four hex digits each.
std::string IdAfter(const std::wstring& hardwareId, const wchar_t* tag) {
    const std::size_t at = hardwareId.find(tag);
    if (at == std::wstring::npos) return {};
    std::string id = Narrow(hardwareId.substr(at + std::wcslen(tag), 4));
    std::transform(id.begin(), id.end(), id.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return id;
}

// What the device setup API knows of each present port, by its name (COM7).
std::map<std::string, Adapter> Adapters() {
    std::map<std::string, Adapter> adapters;
    HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return adapters;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t name[64] = {};
        DWORD size = sizeof name - 2;
        const LONG r = ::RegQueryValueExW(key, L"PortName", nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(name), &size);
        ::RegCloseKey(key);
        if (r != ERROR_SUCCESS) continue;
        Adapter a;
        a.friendlyName = Narrow(DeviceProperty(set, device, SPDRP_FRIENDLYNAME));
        a.manufacturer = Narrow(DeviceProperty(set, device, SPDRP_MFG));
        const std::wstring hardwareId = DeviceProperty(set, device, SPDRP_HARDWAREID);
        a.vendorId = IdAfter(hardwareId, L"VID_");
        a.productId = IdAfter(hardwareId, L"PID_");
        a.usb = !a.vendorId.empty();
        adapters[Narrow(name)] = a;
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return adapters;
}

}  // namespace

std::string PortNameOf(const std::string& path) {
    return path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
}

std::string ShownName(const std::string& path) {
    return PortNameOf(path);
}

bool PortPresent(const PortInfo& port) {
    // The system's name table knows every port that is there (COM7 -> \Device\...).
    wchar_t target[256];
    const std::string& name = port.name;
    const std::wstring wide(name.begin(), name.end());
    return ::QueryDosDeviceW(wide.c_str(), target, 256) != 0;
}

bool UserMayOpen(const std::string&) {
    // Windows has no permission on a port to look at beforehand: opening it tells.
    return true;
}

std::vector<PortInfo> DiscoverPorts(const DiscoveryRoots&) {
    std::vector<PortInfo> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return ports;
    DWORD values = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                           nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        values = 0;
    const std::map<std::string, Adapter> adapters = Adapters();
    for (DWORD i = 0; i < values && i < kMostValues; ++i) {
        wchar_t valueName[100] = {};
        wchar_t data[255] = {};
        DWORD nameLength = 100;
        DWORD dataSize = sizeof data - 2;
        DWORD type = 0;
        if (::RegEnumValueW(key, i, valueName, &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        PortInfo port;
        port.name = Narrow(data);
        // The number is what follows the first three characters (COM), as the system counts.
        port.number = port.name.size() > 3 ? std::atoi(port.name.c_str() + 3) : 0;
        port.path = "\\\\.\\" + port.name;
        if (const auto a = adapters.find(port.name); a != adapters.end()) {
            port.usb = a->second.usb;
            port.vendorId = a->second.vendorId;
            port.productId = a->second.productId;
            port.manufacturer = a->second.manufacturer;
            port.product = a->second.friendlyName;
        }
        // Drivers of USB adapters name their devices so even where the setup API says nothing.
        const std::wstring device = valueName;
        port.usb = port.usb || device.find(L"USB") != std::wstring::npos ||
                   device.find(L"VCP") != std::wstring::npos;
        ports.push_back(std::move(port));
    }
    ::RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), [](const PortInfo& a, const PortInfo& b) {
        if (a.usb != b.usb) return a.usb;
        return NaturalLess(a.name, b.name);
    });
    return ports;
}

std::vector<pid_t> ProcessesUsing(const std::string&, const std::string&, pid_t) {
    // Windows does not say who holds a port; opening it says only that someone does.
    return {};
}

std::string ProcessName(pid_t pid, const std::string&) {
    return "pid " + std::to_string(pid);
}

pid_t CurrentProcess() {
    return static_cast<pid_t>(::GetCurrentProcessId());
}

}  // namespace orq
