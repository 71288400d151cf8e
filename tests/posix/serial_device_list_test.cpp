// Which devices the Port menu offers, against a made-up /dev and sysfs whose device nodes are
// real pseudo-terminals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "io/posix/serial_device_list.h"
#include "tests/support/test_files.h"
#include "tools/pseudo_terminal/pseudo_terminal.h"

namespace vemtora::posix {
namespace {

using testing_support::TempFolder;
using testing_support::widened;

TEST(SerialDeviceList, ByIdNamesFirstThenAdaptersAndRealUartsOnly) {
    TempFolder root;
    const std::string dev = root / "dev";
    const std::string sys = root / "sys";
    std::filesystem::create_directories(dev + "/serial/by-id");
    pty::PseudoTerminal usb0, usb10, usb2, acm0, uart, placeholder;
    ASSERT_TRUE(usb0.addLink(dev + "/ttyUSB0"));
    ASSERT_TRUE(usb10.addLink(dev + "/ttyUSB10"));
    ASSERT_TRUE(usb2.addLink(dev + "/ttyUSB2"));
    ASSERT_TRUE(acm0.addLink(dev + "/ttyACM0"));
    ASSERT_TRUE(uart.addLink(dev + "/ttyS0"));
    ASSERT_TRUE(placeholder.addLink(dev + "/ttyS1"));
    for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, std::pair{"ttyS1", "0"}}) {
        std::filesystem::create_directories(sys + "/" + name);
        std::ofstream(sys + "/" + name + "/type") << type << "\n";
    }
    // Not serial devices: a plain file in a device's name, other names, a link to nowhere.
    std::ofstream(dev + "/ttyUSB5") << "";
    ASSERT_EQ(::symlink(usb0.slavePath().c_str(), (dev + "/ttyUSBx").c_str()), 0);
    ASSERT_EQ(::symlink(usb0.slavePath().c_str(), (dev + "/tty0").c_str()), 0);
    ASSERT_EQ(::symlink("../../ttyUSB2", (dev + "/serial/by-id/usb-FTDI_FT232R_A1-if00-port0").c_str()), 0);
    ASSERT_EQ(::symlink("../../ttyACM0", (dev + "/serial/by-id/usb-Arduino_Uno_75-if00").c_str()), 0);
    ASSERT_EQ(::symlink("../../ttyUSB7", (dev + "/serial/by-id/usb-unplugged-if00-port0").c_str()), 0);

    const std::vector<NamedDevice> expected = {
        {widened(dev + "/serial/by-id/usb-Arduino_Uno_75-if00"), L"ttyACM0"},
        {widened(dev + "/serial/by-id/usb-FTDI_FT232R_A1-if00-port0"), L"ttyUSB2"},
        {widened(dev + "/ttyUSB0"), L"ttyUSB0"},
        {widened(dev + "/ttyUSB10"), L"ttyUSB10"},
        {widened(dev + "/ttyS0"), L"ttyS0"},
    };
    EXPECT_EQ(listSerialDevices({dev, sys}), expected);

    // Read anew each time: an adapter pulled out is gone from the next list.
    ASSERT_EQ(::unlink((dev + "/ttyUSB10").c_str()), 0);
    EXPECT_EQ(listSerialDevices({dev, sys}).size(), expected.size() - 1);
    EXPECT_TRUE(listSerialDevices({root / "missing", sys}).empty());
}

TEST(SerialDeviceList, AGivenPathIsNamedByWhatItLeadsTo) {
    TempFolder root;
    std::filesystem::create_directories(root / "serial/by-id");
    pty::PseudoTerminal adapter;
    ASSERT_TRUE(adapter.addLink(root / "ttyUSB3"));
    ASSERT_EQ(::symlink("../../ttyUSB3", (root / "serial/by-id/usb-FTDI-if00-port0").c_str()), 0);
    ASSERT_EQ(::symlink("ttyUSB3", (root / "meter").c_str()), 0);
    const std::wstring ptsName = widened(std::filesystem::path(adapter.slavePath()).filename().string());
    EXPECT_EQ(namedDevice(root / "serial/by-id/usb-FTDI-if00-port0"),
              (NamedDevice{widened(root / "serial/by-id/usb-FTDI-if00-port0"), ptsName}));
    EXPECT_EQ(namedDevice(root / "meter"), (NamedDevice{widened(root / "meter"), L"meter"}));
    EXPECT_EQ(namedDevice("/dev/ttyUSB9"), (NamedDevice{L"/dev/ttyUSB9", L"ttyUSB9"}));
    EXPECT_EQ(namedDevice("caf\xc3\xa9"), (NamedDevice{L"caf\u00e9", L"caf\u00e9"}));
    EXPECT_EQ(namedDevice("caf\xe9"), std::nullopt);
}

}  // namespace
}  // namespace vemtora::posix
