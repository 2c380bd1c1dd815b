#include "serial/PortList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"

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

std::vector<std::string> Names(const std::vector<PortInfo>& ports) {
    std::vector<std::string> names;
    for (const auto& p : ports) names.push_back(p.name);
    return names;
}

TEST_F(FakeSystem, UsbFirstInNaturalOrderWithDetailsNoVirtualOrPhantomPortsAndOrqPortsOverrides) {
    const auto ports = DiscoverPorts(roots);
    EXPECT_EQ(Names(ports), (std::vector<std::string>{"ttyACM1", "ttyUSB0", "ttyUSB10", "ttyS0",
                                                      "ttyS2", "ttyS10"}));
    ASSERT_EQ(ports.size(), 6u);
    for (size_t i = 0; i < ports.size(); ++i) EXPECT_EQ(ports[i].number, static_cast<int32_t>(i + 1));
    // Details come from the USB device above the tty.
    const PortInfo& ftdi = ports[1];
    EXPECT_EQ(ftdi.path, (root / "dev/ttyUSB0").string());
    EXPECT_TRUE(ftdi.usb);
    EXPECT_EQ(ftdi.vendorId + ":" + ftdi.productId, "0403:6001");
    EXPECT_EQ(ftdi.manufacturer + "|" + ftdi.product + "|" + ftdi.serial, "FTDI|FT232R USB UART|A10K3Q2B");
    EXPECT_EQ(ftdi.alias, (root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3Q2B-if00-port0").string());
    const PortInfo& ch340 = ports[2];  // no manufacturer, no serial number
    EXPECT_EQ(ch340.vendorId + ":" + ch340.productId, "1a86:7523");
    EXPECT_EQ(ch340.manufacturer + "|" + ch340.serial + "|" + ch340.alias, "||");
    EXPECT_EQ(ports[0].manufacturer, "Arduino (www.arduino.cc)");
    EXPECT_FALSE(ports[3].usb);
    EXPECT_EQ(ports[3].vendorId, "");
    // Listed, not hidden, when the user may not open it.
    EXPECT_TRUE(ports[3].accessible);
    EXPECT_FALSE(ports[5].accessible);
    // ORQ_PORTS replaces discovery entirely.
    const auto listed = ListPorts(std::string("/dev/pts/7::") + (root / "dev/ttyS10").string(), roots);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].path + " " + listed[0].name, "/dev/pts/7 7");
    EXPECT_EQ(std::pair(listed[0].number, listed[1].number), std::pair(1, 2));
    EXPECT_FALSE(listed[1].accessible);
    EXPECT_TRUE(ListPorts(std::string(""), roots).empty());  // set but empty: no ports at all
    EXPECT_EQ(ListPorts(std::nullopt, roots).size(), 6u);
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
