// The log file writer against real files in a private folder.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "io/posix/log_file_writer.h"
#include "tests/posix/pseudo_terminal.h"
#include "tests/posix/test_files.h"

namespace vemtora {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;

class LogFileWriterTest : public ::testing::Test {
protected:
    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    TempFolder folder;
    const std::string path = folder / "meter.log";
    LogFileWriter writer{[] { return std::optional<std::wstring>{}; }};
};

TEST_F(LogFileWriterTest, ChooseFileTreatsOverlongPathsAsCancelled) {
    const std::wstring longest = L"/" + std::wstring(254, L'x');
    const std::optional<std::wstring> rows[][2] = {
        {std::nullopt, std::nullopt}, {L"/tmp/a.log", L"/tmp/a.log"}, {longest, longest}, {longest + L"x", std::nullopt}};
    for (const auto& row : rows) {
        LogFileWriter chooser([&] { return row[0]; });
        EXPECT_EQ(chooser.chooseFile(), row[1]);
    }
}

TEST_F(LogFileWriterTest, NewFileGetsTheModeTheUmaskAllows) {
    const mode_t saved = ::umask(0);
    for (const auto& [umask, expected] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {002, 0664}}) {
        ::umask(umask);
        const std::string created = folder / std::to_string(umask);
        ASSERT_TRUE(writer.open(widened(created)));
        struct stat status {};
        ASSERT_EQ(::stat(created.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, expected) << "umask " << umask;
    }
    ::umask(saved);
}

TEST_F(LogFileWriterTest, LinesGoAfterExistingContentAndAfterAReopen) {
    std::ofstream(path) << "10:00:00.0\t1\t2\t3\n";
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("10:00:00.5\t4\t5\t6\n");
    writer.close();
    writer.appendLine("while closed\n");
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("10:00:01.0\t7\t8\t9\n");
    EXPECT_EQ(fileContents(path), "10:00:00.0\t1\t2\t3\n10:00:00.5\t4\t5\t6\n10:00:01.0\t7\t8\t9\n");
}

TEST_F(LogFileWriterTest, TextLeftWithoutItsLastLineFeedIsEndedBeforeTheFirstLine) {
    const struct {
        const char* before;
        const char* after;
    } rows[] = {
        {"PRE NOLF", "PRE NOLF\n01:23:35.7\t1\t2\t3\n01:23:36.2\t4\t5\t6\n"},
        {"10:00:00.0\t1\t2\t3\n", "10:00:00.0\t1\t2\t3\n01:23:35.7\t1\t2\t3\n01:23:36.2\t4\t5\t6\n"},
        {"", "01:23:35.7\t1\t2\t3\n01:23:36.2\t4\t5\t6\n"},
        {"\r", "\r\n01:23:35.7\t1\t2\t3\n01:23:36.2\t4\t5\t6\n"},
    };
    for (const auto& row : rows) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << row.before;
        ASSERT_TRUE(writer.open(widened(path)));
        writer.appendLine("01:23:35.7\t1\t2\t3\n");
        writer.appendLine("01:23:36.2\t4\t5\t6\n");
        writer.close();
        EXPECT_EQ(fileContents(path), row.after) << testing::PrintToString(row.before);
    }
}

// A name typed in the dialog may be anything the file system holds: only a regular file will do,
// and asking must never wait for a reader, a carrier or a peer.
TEST_F(LogFileWriterTest, AnythingButARegularFileIsRefusedWithoutWaiting) {
    const std::string fifo = folder / "pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PseudoTerminal terminal;
    const std::string rows[] = {fifo, terminal.slavePath(), "/dev/null", folder.path()};
    for (const std::string& row : rows) {
        const long descriptorsBefore = openDescriptorCount();
        auto opening = std::async(std::launch::async, [&] { return writer.open(widened(row)); });
        if (opening.wait_for(5s) != std::future_status::ready) {
            // Free the writer before failing: a reader lets a blocked FIFO open go on.
            const posix::OwnedDescriptor reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
            opening.wait();
            FAIL() << "opening " << row << " waited";
        }
        EXPECT_FALSE(opening.get()) << row;
        EXPECT_EQ(openDescriptorCount(), descriptorsBefore) << row;
    }
}

TEST_F(LogFileWriterTest, HeldFileIsRefusedUntilReleased) {
    ASSERT_TRUE(writer.open(widened(path)));
    LogFileWriter second{[] { return std::optional<std::wstring>{}; }};
    const long descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(second.open(widened(path)));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    writer.close();
    EXPECT_TRUE(second.open(widened(path)));
    second.close();

    const posix::OwnedDescriptor lockingProgram(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(lockingProgram.get(), LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(writer.open(widened(path)));
}

TEST_F(LogFileWriterTest, NameIsUsedExactlyAsTypedInUtf8) {
    const struct {
        std::wstring typed;
        std::string onDisk;
    } rows[] = {
        {L"measurements", "measurements"},
        {L"\u30ed\u30b0.log", "\xe3\x83\xad\xe3\x82\xb0.log"},
        {L"caf\u00e9 \U0001F50C", "caf\xc3\xa9 \xf0\x9f\x94\x8c"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(writer.open(widened(folder.path()) + L"/" + row.typed));
        writer.appendLine("line\n");
        writer.close();
        EXPECT_EQ(fileContents(folder / row.onDisk), "line\n") << row.onDisk;
        ASSERT_EQ(::unlink((folder / row.onDisk).c_str()), 0);
        EXPECT_EQ(namesInFolder(), std::vector<std::string>{}) << "nothing but " << row.onDisk;
    }
}

TEST_F(LogFileWriterTest, FailedOpenLeavesNothingOpenOrCreated) {
    std::filesystem::create_directory(folder / "sub");
    const std::wstring base = widened(folder.path()) + L"/";
    const std::wstring rows[] = {
        base + L"missing/meter.log",                      // the folder does not exist
        base + L"sub",                                    // a folder, not a file
        base + static_cast<wchar_t>(0xD800) + L".log",    // a lone surrogate is no character
        base + static_cast<wchar_t>(0x110000) + L".log",  // beyond Unicode
        base + std::wstring(L"a\0b.log", 7),              // a NUL would cut the name short
        L"",
    };
    for (const std::wstring& row : rows) {
        const long descriptorsBefore = openDescriptorCount();
        EXPECT_FALSE(writer.open(row)) << testing::PrintToString(row);
        EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
        writer.appendLine("lost\n");
    }
    EXPECT_EQ(namesInFolder(), std::vector<std::string>{"sub"});
}

}  // namespace
}  // namespace vemtora
