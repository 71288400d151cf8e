// The COMn naming rule, against a real folder of device entries.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "io/posix/serial_device_path.h"
#include "tests/posix/temp_folder.h"

namespace vemtora::posix {
namespace {

TEST(SerialDevicePathTest, ComLinkWinsOverBuiltInPort) {
    testing_support::TempFolder dev;
    // COM5 is a working link, COM9 a link whose adapter is unplugged, COM12 has no link at all.
    ASSERT_EQ(::symlink("ttyUSB0", (dev / "COM5").c_str()), 0);
    ASSERT_EQ(::symlink("ttyUSB-gone", (dev / "COM9").c_str()), 0);
    ASSERT_EQ(::close(::creat((dev / "ttyUSB0").c_str(), 0600)), 0);

    struct Row {
        const wchar_t* port;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {L"COM1", dev / "ttyS0"},
        {L"COM5", dev / "COM5"},
        {L"COM6", dev / "ttyS5"},
        {L"COM9", dev / "COM9"},
        {L"COM10", dev / "ttyS9"},
        {L"COM12", dev / "ttyS11"},
        {L"COM16", dev / "ttyS15"},
        {L"COM0", std::nullopt},
        {L"COM17", std::nullopt},
        {L"COM05", std::nullopt},
        {L"com5", std::nullopt},
        {L"ttyS4", std::nullopt},
        {L"", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.port)));
        EXPECT_EQ(serialDevicePath(dev.path(), row.port), row.expected);
    }
}

}  // namespace
}  // namespace vemtora::posix
