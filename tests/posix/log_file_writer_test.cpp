// The log file writer against real files in a private folder.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "io/posix/log_file_writer.h"
#include "tests/support/test_files.h"
#include "tools/pseudo_terminal/pseudo_terminal.h"

namespace vemtora {
namespace {

using namespace std::chrono_literals;
using namespace testing_support;
using pty::PseudoTerminal;

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
    LogFileWriter writer;
};

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

// Removed by hand, or renamed away by a rotation that sends no signal: the next line goes to a
// new file under the name, which the writer holds as it held the first.
TEST_F(LogFileWriterTest, FileThatLosesItsNameIsOpenedAgainUnderIt) {
    const std::string moved = folder / "meter.log.1";
    const struct {
        const char* how;
        std::function<void()> takeAway;
        std::string leftBehind;  // what the old file holds, where it can still be read
    } rows[] = {
        {"removed", [&] { ASSERT_EQ(::unlink(path.c_str()), 0); }, ""},
        {"renamed", [&] { ASSERT_EQ(::rename(path.c_str(), moved.c_str()), 0); }, "one\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.how);
        ASSERT_TRUE(writer.open(widened(path)));
        writer.appendLine("one\n");
        row.takeAway();
        writer.appendLine("two\n");
        EXPECT_TRUE(writer.foundNameGone());
        EXPECT_FALSE(writer.lastLineLost());
        writer.appendLine("three\n");
        EXPECT_FALSE(writer.foundNameGone()) << "said once";
        EXPECT_EQ(fileContents(path), "two\nthree\n");
        if (!row.leftBehind.empty()) {
            EXPECT_EQ(fileContents(moved), row.leftBehind);
        }
        LogFileWriter second;
        EXPECT_FALSE(second.open(widened(path))) << "the new file is held";
        writer.close();
        ASSERT_EQ(::unlink(path.c_str()), 0);
    }
}

TEST_F(LogFileWriterTest, FolderThatGoesAwayIsTriedAgainEverySecond) {
    std::filesystem::create_directory(folder / "logs");
    const std::string inside = folder / "logs/meter.log";
    ASSERT_TRUE(writer.open(widened(inside)));
    writer.appendLine("one\n");
    std::filesystem::remove_all(folder / "logs");
    writer.appendLine("lost\n");
    EXPECT_TRUE(writer.foundNameGone());
    EXPECT_TRUE(writer.lastLineLost());
    EXPECT_EQ(writer.lastFailure().error, ENOENT);
    std::filesystem::create_directory(folder / "logs");
    writer.appendLine("lost too: the next try is a second after the last\n");
    EXPECT_TRUE(writer.lastLineLost());
    EXPECT_FALSE(std::filesystem::exists(inside));
    std::this_thread::sleep_for(1100ms);
    writer.appendLine("two\n");
    EXPECT_FALSE(writer.lastLineLost());
    EXPECT_EQ(fileContents(inside), "two\n");
}

// What logrotate's postrotate asks for: the next line in a new file, the old one released.
TEST_F(LogFileWriterTest, ReopenMovesToTheFileNowUnderTheName) {
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("one\n");
    const std::string moved = folder / "meter.log.1";
    ASSERT_EQ(::rename(path.c_str(), moved.c_str()), 0);
    EXPECT_TRUE(writer.reopen());
    writer.appendLine("two\n");
    EXPECT_FALSE(writer.foundNameGone()) << "a rotation is no surprise";
    EXPECT_EQ(fileContents(moved), "one\n");
    EXPECT_EQ(fileContents(path), "two\n");
    const posix::OwnedDescriptor other(::open(moved.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(::flock(other.get(), LOCK_EX | LOCK_NB), 0) << "the old file is no longer held";
    writer.close();
    EXPECT_FALSE(writer.reopen()) << "nothing to reopen once closed";
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
// and asking must never wait for a reader, a carrier or a peer, nor open a device (a serial
// port's control lines move when it is opened).
TEST_F(LogFileWriterTest, AnythingButARegularFileIsRefusedWithoutWaitingOrOpening) {
    const std::string fifo = folder / "pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PseudoTerminal terminal;
    const std::string rows[] = {fifo, terminal.slavePath(), "/dev/null", folder.path()};
    for (const std::string& row : rows) {
        // Every open of the pipe or the terminal shows up here; /dev/null is opened by anyone.
        const posix::OwnedDescriptor opens(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (row != "/dev/null") {
            ASSERT_GE(::inotify_add_watch(opens.get(), row.c_str(), IN_OPEN), 0) << row;
        }
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
        char event[sizeof(inotify_event) + NAME_MAX + 1];
        EXPECT_EQ(::read(opens.get(), event, sizeof event), -1) << row << " was opened";
    }
}

TEST_F(LogFileWriterTest, HeldFileIsRefusedUntilReleased) {
    ASSERT_TRUE(writer.open(widened(path)));
    LogFileWriter second;
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
