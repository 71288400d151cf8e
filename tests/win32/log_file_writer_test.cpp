// LogFileWriter on real files in a temporary folder.
#include <gtest/gtest.h>

#include "io/win32/log_file_writer.h"
#include "wine_test_support.h"

namespace vemtora {
namespace {

using test::fileExists;
using test::readWholeFile;
using test::writeWholeFile;

constexpr std::string_view kLine = "12:00:00.5\t64.6\t1.94\t125.3\n";

struct AppendCase {
    const char* what;
    const char* existing;  // nullptr: no file yet
    const char* kept;      // what the file holds before the first new line
};

void PrintTo(const AppendCase& row, std::ostream* out) { *out << row.what; }

class LogAppend : public testing::TestWithParam<AppendCase> {};

TEST_P(LogAppend, LinesGoAfterWhatTheFileHolds) {
    test::TemporaryFolder folder;
    const std::wstring path = folder.path(L"run.log");
    if (GetParam().existing) writeWholeFile(path, GetParam().existing);
    const std::string kept = GetParam().kept;

    LogFileWriter writer;
    ASSERT_TRUE(writer.open(path));
    writer.appendLine(kLine);
    writer.appendLine(kLine);
    writer.close();
    EXPECT_EQ(readWholeFile(path), kept + std::string(kLine) + std::string(kLine));

    // Closing and choosing the same file again continues after the lines already written.
    ASSERT_TRUE(writer.open(path));
    writer.appendLine("x\n");
    writer.close();
    EXPECT_EQ(readWholeFile(path), kept + std::string(kLine) + std::string(kLine) + "x\n");
}

INSTANTIATE_TEST_SUITE_P(
    Files, LogAppend,
    testing::Values(AppendCase{"created when missing", nullptr, ""}, AppendCase{"empty file", "", ""},
                    AppendCase{"earlier run", "09:00:00.0\t1.0\t2.00\t2.0\n", "09:00:00.0\t1.0\t2.00\t2.0\n"},
                    AppendCase{"Windows line ends", "notes\r\n", "notes\r\n"},
                    AppendCase{"no final line feed", "PRE NOLF", "PRE NOLF\n"},
                    AppendCase{"carriage return last", "notes\r", "notes\r\n"}, AppendCase{"one byte", "x", "x\n"},
                    AppendCase{"only a line feed", "\n", "\n"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// Named pipes, serial ports, NUL and the console open like files; a write to some of them
// blocks for good. None may become the log, and none may stay open.
TEST(LogOpen, OnlyADiskFileIsTaken) {
    const wchar_t* const pipeName = L"\\\\.\\pipe\\vemtora-log-test";
    const HANDLE pipe = CreateNamedPipeW(pipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    struct Row {
        const char* what;
        const wchar_t* path;
    };
    // COM3 and COM12 are the pseudo-terminals pty_ports.py maps.
    for (const Row row :
         {Row{"named pipe", pipeName}, Row{"serial port", L"COM3"}, Row{"serial port by device name", L"\\\\.\\COM12"},
          Row{"NUL", L"NUL"}, Row{"console", L"CON"}, Row{"console output", L"CONOUT$"}}) {
        const auto handlesBefore = test::nextHandleValue();
        LogFileWriter writer;
        EXPECT_FALSE(writer.open(row.path)) << row.what;
        EXPECT_FALSE(writer.isOpen()) << row.what;
        writer.appendLine(kLine);
        EXPECT_EQ(test::nextHandleValue(), handlesBefore) << row.what;
    }
    CloseHandle(pipe);
}

TEST(LogOpen, FileHeldOpenKeepsEveryoneElseOut) {
    test::TemporaryFolder folder;
    const std::wstring path = folder.path(L"held.log");
    LogFileWriter first;
    ASSERT_TRUE(first.open(path));

    LogFileWriter second;
    EXPECT_FALSE(second.open(path));
    const HANDLE reader =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE) << "another program could read the open log";
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);

    first.close();
    EXPECT_TRUE(second.open(path));
}

TEST(LogOpen, NameWithoutExtensionIsUsedAsTyped) {
    test::TemporaryFolder folder;
    LogFileWriter writer;
    ASSERT_TRUE(writer.open(folder.path(L"measurements")));
    writer.appendLine(kLine);
    writer.close();
    EXPECT_EQ(readWholeFile(folder.path(L"measurements")), kLine);
    EXPECT_FALSE(fileExists(folder.path(L"measurements.log")));
}

TEST(LogOpen, MissingFolderFailsAndAppendIsHarmless) {
    test::TemporaryFolder folder;
    LogFileWriter writer;
    EXPECT_FALSE(writer.open(folder.path(L"no-such-folder\\run.log")));
    EXPECT_FALSE(writer.isOpen());
    writer.appendLine(kLine);  // logging never opened: nothing to write to, and no crash
    EXPECT_FALSE(fileExists(folder.path(L"no-such-folder")));
}

}  // namespace
}  // namespace vemtora
