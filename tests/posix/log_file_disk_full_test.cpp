// A full disk must never leave half a line in the log: on a really full filesystem (a tiny
// tmpfs) and under a file-size limit, which fails writes the same way without root.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "io/posix/log_file_writer.h"
#include "tests/posix/log_file_contents.h"
#include "tests/posix/temp_folder.h"

namespace vemtora {
namespace {

using testing_support::fileContents;
using testing_support::TempFolder;
using testing_support::widened;

// A place where the log lives and whose free space a test can take away and give back.
class ShrinkableSpace {
public:
    virtual ~ShrinkableSpace() = default;
    // Empty when this environment can provide it; otherwise the reason it cannot.
    virtual std::string prepare(const std::string& folder) = 0;
    // Leaves room for fewer bytes than one long line beyond `logPath`'s current size.
    virtual void fill(const std::string& logPath) = 0;
    virtual void free() = 0;
};

class TinyTmpfs final : public ShrinkableSpace {
public:
    std::string prepare(const std::string& folder) override {
        if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0) {
            return std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
        }
        mountPoint_ = folder;
        return {};
    }

    void fill(const std::string& logPath) override {
        filler_ = logPath + ".filler";
        const posix::OwnedDescriptor filler(::open(filler_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
        ASSERT_TRUE(filler.isOpen());
        const std::string block(4096, 'f');
        while (::write(filler.get(), block.data(), block.size()) > 0) {
        }
        ASSERT_EQ(errno, ENOSPC);
    }

    void free() override { ASSERT_EQ(::unlink(filler_.c_str()), 0); }

    ~TinyTmpfs() override {
        if (!mountPoint_.empty()) ::umount2(mountPoint_.c_str(), MNT_DETACH);
    }

private:
    std::string mountPoint_;
    std::string filler_;
};

class FileSizeLimit final : public ShrinkableSpace {
public:
    std::string prepare(const std::string&) override {
        // Past the limit the kernel sends SIGXFSZ, which would end the test; ignored, the write fails with EFBIG.
        ::sigaction(SIGXFSZ, nullptr, &savedAction_);
        signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &savedLimit_);
        prepared_ = true;
        return {};
    }

    void fill(const std::string& logPath) override {
        rlimit limit = savedLimit_;
        limit.rlim_cur = static_cast<rlim_t>(fileContents(logPath).size() + 100);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }

    void free() override { ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &savedLimit_), 0); }

    ~FileSizeLimit() override {
        if (!prepared_) return;
        ::setrlimit(RLIMIT_FSIZE, &savedLimit_);
        ::sigaction(SIGXFSZ, &savedAction_, nullptr);
    }

private:
    bool prepared_ = false;
    rlimit savedLimit_{};
    struct sigaction savedAction_ {};
};

struct SpaceKind {
    const char* name;
    std::unique_ptr<ShrinkableSpace> (*make)();
};

class LogFileDiskFullTest : public ::testing::TestWithParam<SpaceKind> {};

TEST_P(LogFileDiskFullTest, FailedLineIsCutBackAndLaterLinesLandWhole) {
    TempFolder folder;
    const std::unique_ptr<ShrinkableSpace> space = GetParam().make();
    if (const std::string reason = space->prepare(folder.path()); !reason.empty()) GTEST_SKIP() << reason;

    const std::string path = folder / "meter.log";
    LogFileWriter writer([] { return std::optional<std::wstring>{}; });
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("first\n");

    // Longer than the room left, so the write gets part way before the disk refuses more.
    const std::string longLine = std::string(10000, 'x') + "\n";
    space->fill(path);
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\n");
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\n") << "still full: lost again, still no fragment";

    space->free();
    writer.appendLine("second\n");
    writer.appendLine(longLine);
    EXPECT_EQ(fileContents(path), "first\nsecond\n" + longLine);
}

INSTANTIATE_TEST_SUITE_P(
    FullDisks, LogFileDiskFullTest,
    ::testing::Values(SpaceKind{"TinyTmpfs", [] { return std::unique_ptr<ShrinkableSpace>(new TinyTmpfs); }},
                      SpaceKind{"FileSizeLimit", [] { return std::unique_ptr<ShrinkableSpace>(new FileSizeLimit); }}),
    [](const ::testing::TestParamInfo<SpaceKind>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vemtora
