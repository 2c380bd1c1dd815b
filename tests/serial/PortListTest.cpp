#include "serial/PortList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/Pty.h"

namespace orq {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

// A sysfs and /dev as a PC with two UARTs, phantom ones and three USB adapters shows them.
class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/orq-ports-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root = tmpl;
        roots.sysfs = (root / "sys").string();
        roots.dev = (root / "dev").string();
        roots.mayOpen = [this](const std::string& p) { return p != (root / "dev/ttyS10").string(); };

        Tty("tty0", "");  // a virtual terminal: no device link
        Tty("console", "");
        for (const char* uart : {"ttyS0", "ttyS2", "ttyS10", "ttyS3"})
            Tty(uart, "devices/platform/serial8250/" + std::string(uart));
        Put(Class("ttyS3") / "type", "0");  // nothing behind it
        Tty("ttyS5", "devices/platform/serial8250/ttyS5", /*node=*/false);

        const std::string hub = "devices/pci0000:00/0000:00:14.0/usb1/";
        Usb(hub + "1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A10K3Q2B"});
        Tty("ttyUSB0", hub + "1-2/1-2:1.0/ttyUSB0");
        Usb(hub + "1-4", {"1a86", "7523", "", "USB Serial", ""});
        Tty("ttyUSB10", hub + "1-4/1-4:1.0/ttyUSB10");
        Usb(hub + "1-3", {"2341", "0043", "Arduino (www.arduino.cc)", "", ""});
        Tty("ttyACM1", hub + "1-3/1-3:1.0");
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q2B-if00-port0");
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path Class(const std::string& name) { return root / "sys/class/tty" / name; }
    void Tty(const std::string& name, const std::string& device, bool node = true) {
        Put(Class(name) / "uevent", "MAJOR=4\nMINOR=64\nDEVNAME=" + name);
        if (!device.empty()) {
            fs::create_directories(root / "sys" / device);
            fs::create_directory_symlink(fs::path("../../..") / device, Class(name) / "device");
            if (name.rfind("ttyS", 0) == 0) Put(Class(name) / "type", "4");
        }
        if (node) Put(root / "dev" / name, "");
    }
    void Usb(const std::string& dir, const std::array<std::string, 5>& values) {
        const char* files[] = {"idVendor", "idProduct", "manufacturer", "product", "serial"};
        for (size_t i = 0; i < 5; ++i)
            if (!values[i].empty()) Put(root / "sys" / dir / files[i], values[i]);
    }

    fs::path root;
    DiscoveryRoots roots;
};

// Every field of every port, a line each: one comparison checks the whole list.
std::vector<std::string> Described(const std::vector<PortInfo>& ports) {
    std::vector<std::string> out;
    for (const PortInfo& p : ports)
        out.push_back(std::to_string(p.number) + " " + p.path + " " + p.name + (p.usb ? " usb " : " - ") +
                      p.vendorId + ":" + p.productId + " " + p.manufacturer + "|" + p.product + "|" +
                      p.serial + " " + p.alias + (p.accessible ? "" : " no access"));
    return out;
}

TEST_F(FakeSystem, UsbFirstInNaturalOrderWithDetailsNoVirtualOrPhantomPortsAndOrqPortsOverrides) {
    // Details come from the USB device above the tty; a port the user may not open is listed.
    const std::string d = (root / "dev").string();
    const std::vector<std::string> discovered = {
        "1 " + d + "/ttyACM1 ttyACM1 usb 2341:0043 Arduino (www.arduino.cc)|| ",
        "2 " + d + "/ttyUSB0 ttyUSB0 usb 0403:6001 FTDI|FT232R USB UART|A10K3Q2B " + d +
            "/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q2B-if00-port0",
        "3 " + d + "/ttyUSB10 ttyUSB10 usb 1a86:7523 |USB Serial| ",
        "4 " + d + "/ttyS0 ttyS0 - : || ", "5 " + d + "/ttyS2 ttyS2 - : || ",
        "6 " + d + "/ttyS10 ttyS10 - : ||  no access"};
    EXPECT_EQ(Described(DiscoverPorts(roots)), discovered);
    EXPECT_EQ(Described(ListPorts(std::nullopt, roots)), discovered);
    // ORQ_PORTS replaces discovery entirely; set but empty means no ports at all.
    EXPECT_EQ(Described(ListPorts("/dev/pts/7::" + d + "/ttyS10", roots)),
              (std::vector<std::string>{"1 /dev/pts/7 7 - : || ", "2 " + d + "/ttyS10 ttyS10 - : ||  no access"}));
    EXPECT_TRUE(ListPorts(std::string(""), roots).empty());
}

TEST(PortList, NaturalOrderComparesNumbersByValue) {
    for (auto [a, b, less] : {std::tuple{"ttyS2", "ttyS10", true}, {"ttyS10", "ttyS2", false},
                              {"ttyS", "ttyS0", true}, {"ttyS9", "ttyUSB0", true}, {"ttyUSB1x", "ttyUSB1y", true},
                              {"ttyS02", "ttyS2", false}, {"ttyS2", "ttyS02", false}})
        EXPECT_EQ(NaturalLess(a, b), less) << a << " < " << b;
}

TEST_F(FakeSystem, ProcessesHoldingAPortAreFoundThroughTheirDescriptors) {
    test::Pty pty;  // this process holds its slave open
    ASSERT_TRUE(pty.ok());
    const auto holders = ProcessesUsing(pty.path(), "/proc", -1);
    EXPECT_NE(std::find(holders.begin(), holders.end(), ::getpid()), holders.end());
    EXPECT_EQ(std::ranges::count(ProcessesUsing(pty.path(), "/proc", ::getpid()), ::getpid()), 0);
    const fs::path proc = root / "proc";
    for (const char* dir : {"100/fd", "200/fd", "sys"}) fs::create_directories(proc / dir);
    fs::create_symlink(pty.path(), proc / "100/fd/5");
    fs::create_symlink("/dev/null", proc / "200/fd/0");
    EXPECT_EQ(ProcessesUsing(pty.path(), proc.string(), -1), std::vector<pid_t>{100});
    EXPECT_TRUE(ProcessesUsing(pty.path(), proc.string(), 100).empty());
}

}  // namespace
}  // namespace orq
