// What a user is told when the port or the log file fails: the sentences, and that the link and
// the writer record the real step, errno and path behind them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <filesystem>
#include <string>

#include "io/posix/failure.h"
#include "io/posix/log_file_writer.h"
#include "io/posix/serial_port_link.h"
#include "tests/support/test_files.h"
#include "tools/pseudo_terminal/pseudo_terminal.h"

namespace vemtora {
namespace {

using namespace testing_support;
using posix::Failure;
using posix::FailureStep;
using posix::FailureSubject;
using pty::PseudoTerminal;

constexpr auto kPort = FailureSubject::SerialPort;
constexpr auto kLog = FailureSubject::LogFile;

TEST(DescribeFailure, OneActionableSentencePerCase) {
    const struct {
        Failure failure;
        const char* sentence;
    } rows[] = {
        {{kPort, FailureStep::Open, EACCES, "/dev/ttyUSB0", true},
         "cannot open /dev/ttyUSB0: Permission denied (is the user in the dialout group?)"},
        // A folder on the way that the user may not enter is no matter for the dialout group.
        {{kPort, FailureStep::Open, EACCES, "/root/COM5", false}, "cannot open /root/COM5: Permission denied"},
        {{kPort, FailureStep::Open, ENOENT, "/dev/ttyUSB0", false},
         "cannot open /dev/ttyUSB0: No such file or directory (is the adapter plugged in, and is this its name?)"},
        {{kPort, FailureStep::Open, EIO, "/dev/ttyS4", true},
         "cannot open /dev/ttyS4: Input/output error (no serial port answers there)"},
        {{kPort, FailureStep::Open, EBUSY, "/dev/ttyS0", true},
         "cannot open /dev/ttyS0: Device or resource busy (another program holds the port)"},
        {{kPort, FailureStep::Hold, EWOULDBLOCK, "/dev/COM5", true},
         "cannot open /dev/COM5: another program holds the port"},
        {{kPort, FailureStep::Hold, ENOTTY, "/tmp/file", false}, "cannot open /tmp/file: not a serial port"},
        {{kPort, FailureStep::Configure, ENOTTY, "/tmp/file", false}, "cannot open /tmp/file: not a serial port"},
        {{kPort, FailureStep::Configure, 0, "/dev/ttyS0", true},
         "cannot open /dev/ttyS0: the device did not take the line settings (speed, 8N1)"},
        {{kPort, FailureStep::Resolve, 0, "COM17", false}, "cannot open COM17: no such port"},
        {{kPort, FailureStep::Read, EIO, "/dev/ttyUSB0", true}, "/dev/ttyUSB0 went away: Input/output error"},
        {{kPort, FailureStep::Read, 0, "/dev/ttyUSB0", true}, "/dev/ttyUSB0 went away: the line hung up"},
        {{kLog, FailureStep::Open, EACCES, "/var/log/m.log", false},
         "cannot open log file /var/log/m.log: Permission denied"},
        {{kLog, FailureStep::Open, EISDIR, "/tmp", false}, "cannot open log file /tmp: Is a directory"},
        {{kLog, FailureStep::Kind, 0, "/dev/tty", true}, "cannot open log file /dev/tty: not a regular file"},
        {{kLog, FailureStep::Hold, EWOULDBLOCK, "m.log", false},
         "cannot open log file m.log: another program holds it (another Vemtora logging to it?)"},
        {{kLog, FailureStep::Resolve, 0, "bad?.log", false}, "cannot open log file bad?.log: not a valid file name"},
        {{kLog, FailureStep::Write, ENOSPC, "m.log", false}, "cannot write to log file m.log: No space left on device"},
        {{kLog, FailureStep::None, 0, "m.log", false}, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(posix::describeFailure(row.failure), row.sentence);
}

TEST(DescribeFailure, IsTheSameInAnyLocale) {
    const Failure failure{kPort, FailureStep::Open, ENOENT, "/dev/x", false};
    const std::string classic = posix::describeFailure(failure);
    const char* saved = std::setlocale(LC_ALL, nullptr);
    const std::string restore = saved != nullptr ? saved : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale here";
    const std::string german = posix::describeFailure(failure);
    std::setlocale(LC_ALL, restore.c_str());
    EXPECT_EQ(german, classic);
}

class RecordedFailure : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(RecordedFailure, SerialLinkKeepsStepErrnoAndPath) {
    ASSERT_EQ(::close(::creat((folder / "COM6").c_str(), 0600)), 0);
    PseudoTerminal held;
    const posix::OwnedDescriptor holder(::open(held.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.get(), LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(::symlink(held.slavePath().c_str(), (folder / "COM8").c_str()), 0);
    // Some programs lock with fcntl or lockf, which flock never sees.
    PseudoTerminal recordLocked;
    const posix::OwnedDescriptor recordHolder(::open(recordLocked.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_EQ(::lockf(recordHolder.get(), F_TLOCK, 0), 0);

    const struct {
        std::wstring port;  // a COM name is looked up in the folder; anything else is a path
        std::int32_t baudRate;
        FailureStep step;
        int error;
        std::string path;
    } rows[] = {
        {L"COM7", 9600, FailureStep::Open, ENOENT, folder / "ttyS6"},
        {L"COM6", 9600, FailureStep::Hold, ENOTTY, folder / "COM6"},
        {L"COM8", 9600, FailureStep::Hold, EWOULDBLOCK, folder / "COM8"},
        {L"COM8", 12345, FailureStep::Configure, EINVAL, folder / "COM8"},
        {L"COM\xD800", 9600, FailureStep::Resolve, 0, "COM?"},
        {widened(folder / "ttyUSB0"), 9600, FailureStep::Open, ENOENT, folder / "ttyUSB0"},
        {widened(held.slavePath()), 9600, FailureStep::Hold, EWOULDBLOCK, held.slavePath()},
        {widened(recordLocked.slavePath()), 9600, FailureStep::Hold, EWOULDBLOCK, recordLocked.slavePath()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        SerialPortLink link(folder.path());
        EXPECT_FALSE(link.open(row.port, row.baudRate));
        EXPECT_EQ(link.lastFailure().subject, kPort);
        EXPECT_EQ(link.lastFailure().step, row.step);
        EXPECT_EQ(link.lastFailure().error, row.error);
        EXPECT_EQ(link.lastFailure().path, row.path);
        EXPECT_FALSE(link.deviceLost());
    }
}

TEST_F(RecordedFailure, LogWriterKeepsStepErrnoAndPath) {
    std::filesystem::create_directory(folder / "sub");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    const std::string held = folder / "held.log";
    const posix::OwnedDescriptor holder(::open(held.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_EQ(::flock(holder.get(), LOCK_EX | LOCK_NB), 0);
    const std::string recordHeld = folder / "lockf.log";
    const posix::OwnedDescriptor recordHolder(::open(recordHeld.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_EQ(::lockf(recordHolder.get(), F_TLOCK, 0), 0);
    const std::wstring base = widened(folder.path()) + L"/";
    const struct {
        std::wstring path;
        FailureStep step;
        int error;
        std::string shown;
    } rows[] = {
        {base + L"missing/m.log", FailureStep::Open, ENOENT, folder / "missing/m.log"},
        {base + L"sub", FailureStep::Open, EISDIR, folder / "sub"},
        {base + L"fifo", FailureStep::Kind, 0, folder / "fifo"},
        {widened(held), FailureStep::Hold, EWOULDBLOCK, held},
        {widened(recordHeld), FailureStep::Hold, EWOULDBLOCK, recordHeld},
        {base + static_cast<wchar_t>(0xD800) + L".log", FailureStep::Resolve, 0, folder / "?.log"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shown);
        LogFileWriter writer;
        EXPECT_FALSE(writer.open(row.path));
        EXPECT_EQ(writer.lastFailure().subject, kLog);
        EXPECT_EQ(writer.lastFailure().step, row.step);
        EXPECT_EQ(writer.lastFailure().error, row.error);
        EXPECT_EQ(writer.lastFailure().path, row.shown);
    }
}

}  // namespace
}  // namespace vemtora
