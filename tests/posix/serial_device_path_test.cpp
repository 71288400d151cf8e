// The COMn naming rule, against a real folder of device entries.
#include <gtest/gtest.h>
#include <unistd.h>

#include "io/posix/serial_device_path.h"
#include "tests/support/test_files.h"

namespace vemtora::posix {
namespace {

TEST(SerialDevicePathTest, ComLinkWinsOverBuiltInPortEvenWhenItsAdapterIsGone) {
    testing_support::TempFolder dev;
    ASSERT_EQ(::symlink("/dev/null", (dev / "COM5").c_str()), 0);
    ASSERT_EQ(::symlink("ttyUSB-unplugged", (dev / "COM9").c_str()), 0);
    const struct {
        const wchar_t* port;
        std::optional<std::string> expected;
    } rows[] = {
        {L"COM1", dev / "ttyS0"},
        {L"COM5", dev / "COM5"},
        {L"COM6", dev / "ttyS5"},
        {L"COM9", dev / "COM9"},
        {L"COM10", dev / "ttyS9"},
        {L"COM16", dev / "ttyS15"},
        // Any other name is a path of its own: a USB adapter, a by-id link.
        {L"COM17", "COM17"},
        {L"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {L"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
        {L"", std::nullopt},
        {L"tty\xD800", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.port)));
        EXPECT_EQ(serialDevicePath(dev.path(), row.port), row.expected);
    }
}

}  // namespace
}  // namespace vemtora::posix
