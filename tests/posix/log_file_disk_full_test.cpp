// A full disk must never leave half a line in the log: on a really full filesystem (a tiny
// tmpfs, needs root) and under a file-size limit, which fails writes the same way without it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "io/posix/log_file_writer.h"
#include "tests/support/test_files.h"

namespace vemtora {
namespace {

using namespace testing_support;

// Fills the disk after a first line, appends lines too long for the room left (so each write
// gets part way), then frees space.
void expectOnlyWholeLines(const std::string& path, const std::function<void()>& fill,
                          const std::function<void()>& free) {
    LogFileWriter writer;
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("first\n");
    EXPECT_FALSE(writer.lastLineLost());
    const std::string longLine = std::string(10000, 'x') + "\n";
    fill();
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\n");
    EXPECT_TRUE(writer.lastLineLost());
    EXPECT_EQ(writer.lastFailure().step, posix::FailureStep::Write);
    EXPECT_NE(writer.lastFailure().error, 0);
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\n") << "still full: lost again, still no fragment";
    free();
    writer.appendLine("second\n");
    EXPECT_FALSE(writer.lastLineLost());
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\nsecond\n" + longLine);
}

// A 64 KiB tmpfs on a private folder, and a file that fills what room it has left.
class TinyTmpfs {
public:
    TinyTmpfs() { mounted_ = ::mount("tmpfs", folder.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0; }
    ~TinyTmpfs() {
        if (mounted_) ::umount2(folder.path().c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    void fill() {
        const posix::OwnedDescriptor fd(::open(filler_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        const std::string block(4096, 'f');
        while (::write(fd.get(), block.data(), block.size()) > 0) {}
        EXPECT_EQ(errno, ENOSPC);
    }
    void free() { EXPECT_EQ(::unlink(filler_.c_str()), 0); }

    TempFolder folder;

private:
    const std::string filler_ = folder / "filler";
    bool mounted_ = false;
};

TEST(LogFileDiskFullTest, FullTmpfs) {
    TinyTmpfs disk;
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    expectOnlyWholeLines(
        disk.folder / "meter.log", [&] { disk.fill(); }, [&] { disk.free(); });
}

// An append-only file cannot be cut back: the fragment stays, and the next line must not be
// glued to it.
TEST(LogFileDiskFullTest, AppendOnlyFileOnAFullDiskStartsTheNextLineOnItsOwn) {
    TinyTmpfs disk;
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const std::string path = disk.folder / "meter.log";
    std::ofstream(path) << "first\n";
    const posix::OwnedDescriptor attributes(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    int flags = FS_APPEND_FL;
    if (::ioctl(attributes.get(), FS_IOC_SETFLAGS, &flags) != 0) {
        GTEST_SKIP() << "cannot make the file append-only: " << std::strerror(errno);
    }
    LogFileWriter writer;
    ASSERT_TRUE(writer.open(widened(path)));
    disk.fill();
    writer.appendLine(std::string(10000, 'x') + "\n");
    EXPECT_TRUE(writer.lastLineLost());
    const std::string fragment = fileContents(path).substr(6);
    EXPECT_FALSE(fragment.empty()) << "the write should have got part way";
    EXPECT_EQ(fragment.find_first_not_of('x'), std::string::npos);
    disk.free();
    writer.appendLine("second\n");
    EXPECT_EQ(fileContents(path), "first\n" + fragment + "\nsecond\n");
    flags = 0;
    ::ioctl(attributes.get(), FS_IOC_SETFLAGS, &flags);
}

TEST(LogFileDiskFullTest, FileSizeLimit) {
    TempFolder folder;
    const std::string path = folder / "meter.log";
    // Ignored, SIGXFSZ no longer ends the process and the write fails with EFBIG instead.
    struct sigaction ignore {
    }, saved{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &saved), 0);
    rlimit unlimited{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    expectOnlyWholeLines(
        path,
        [&] {
            rlimit limit = unlimited;
            limit.rlim_cur = fileContents(path).size() + 100;
            EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        },
        [&] { EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &unlimited), 0); });
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    ::sigaction(SIGXFSZ, &saved, nullptr);
}

}  // namespace
}  // namespace vemtora
