// A full disk: every log line lands whole or not at all, and logging recovers once space returns.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "io/win32/log_file_writer.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

constexpr std::string_view kLine = "12:00:00.5\t64.6\t1.94\t125.3\n";

// The writer holds the file without sharing; its size can still be asked for without opening it.
std::size_t sizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

TEST(LogDiskFull, LinesLandWholeOrNotAtAll) {
    const char* drive = std::getenv("VEMTORA_SMALL_DRIVE");
    if (drive == nullptr) GTEST_SKIP() << "no small drive given (small_drive.sh maps one)";
    const std::wstring root(drive, drive + std::char_traits<char>::length(drive));
    const std::wstring filler = root + L"filler.bin";
    const std::wstring log = root + L"run.log";

    // Leave room for a few lines only, so the disk fills in the middle of one.
    test::writeWholeFile(filler, std::string(40 * 1024, 'f'));
    LogFileWriter writer;
    ASSERT_TRUE(writer.open(log));
    std::size_t size = 0;
    int unchanged = 0;
    for (int i = 0; i < 5000 && unchanged < 3; ++i) {
        writer.appendLine(kLine);
        const std::size_t now = sizeOf(log);
        unchanged = now == size ? unchanged + 1 : 0;
        size = now;
    }
    ASSERT_EQ(unchanged, 3) << "the drive never filled";
    const std::size_t full = sizeOf(log);
    EXPECT_GT(full, 0u);
    EXPECT_EQ(full % kLine.size(), 0u) << "a partial line stayed in the log";

    // Space returns: logging goes on with whole lines.
    ASSERT_TRUE(DeleteFileW(filler.c_str()));
    writer.appendLine(kLine);
    writer.appendLine(kLine);
    writer.close();
    const std::string after = test::readWholeFile(log);
    EXPECT_EQ(after.size(), full + 2 * kLine.size());
    for (std::size_t at = 0; at < after.size(); at += kLine.size()) {
        ASSERT_EQ(after.substr(at, kLine.size()), kLine) << "at byte " << at;
    }
    DeleteFileW(log.c_str());
}

}  // namespace
}  // namespace vemtora
