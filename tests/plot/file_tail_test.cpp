// Following a real file: appends, a read limit, cutting back, replacement, rotation, deletion, and what cannot be opened.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "plot/follow/file_tail.h"
#include "tests/support/test_files.h"

namespace vemtora::plot {
namespace {

using testing_support::TempFolder;

void write(const std::string& path, const std::string& text, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream out(path, std::ios::binary | mode);
    out << text;
}
void append(const std::string& path, const std::string& text) { write(path, text, std::ios::app); }

std::string text(const FileTail::Read& read) { return std::string(read.bytes); }

TEST(FileTail, DeliversEachAppendOnce) {
    TempFolder folder;
    const std::string path = folder / "today.log";
    write(path, "first\n");
    FileTail tail;
    ASSERT_EQ(tail.open(path), 0);
    EXPECT_EQ(text(tail.poll(1 << 20)), "first\n");
    EXPECT_EQ(text(tail.poll(1 << 20)), "");
    append(path, "second, part");
    append(path, "ly\n");
    const FileTail::Read read = tail.poll(1 << 20);
    EXPECT_EQ(text(read), "second, partly\n");
    EXPECT_FALSE(read.restarted);
    EXPECT_FALSE(read.more);
}

TEST(FileTail, ReadsInPiecesNoLargerThanAsked) {
    TempFolder folder;
    const std::string path = folder / "big.log";
    write(path, "0123456789");
    FileTail tail;
    ASSERT_EQ(tail.open(path), 0);
    FileTail::Read read = tail.poll(4);
    EXPECT_EQ(text(read), "0123");
    EXPECT_TRUE(read.more);
    EXPECT_EQ(text(tail.poll(4)), "4567");
    read = tail.poll(4);
    EXPECT_EQ(text(read), "89");
    EXPECT_FALSE(read.more);
}

TEST(FileTail, StartsOverWhenTheFileIsCutBackOrReplaced) {
    TempFolder folder;
    const std::string path = folder / "today.log";
    write(path, "old line one\nold line two\n");
    FileTail tail;
    ASSERT_EQ(tail.open(path), 0);
    tail.poll(1 << 20);

    // Cut back (truncate and write something shorter), as an editor saving in place does.
    write(path, "new\n");
    FileTail::Read read = tail.poll(1 << 20);
    EXPECT_TRUE(read.restarted);
    EXPECT_EQ(text(read), "new\n");

    // Replaced by another file under the same name, even a longer one.
    const std::string other = folder / "other.log";
    write(other, "replacement line one\nreplacement line two\n");
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    read = tail.poll(1 << 20);
    EXPECT_TRUE(read.restarted);
    EXPECT_EQ(text(read), "replacement line one\nreplacement line two\n");
    append(path, "three\n");
    read = tail.poll(1 << 20);
    EXPECT_FALSE(read.restarted);
    EXPECT_EQ(text(read), "three\n");

    // Rotated as logrotate and vemtora-logger do it: renamed, a last line into the renamed file
    // before the logger takes its signal, then a new file under the name.
    std::ofstream logger(path, std::ios::binary | std::ios::app);
    ASSERT_EQ(std::rename(path.c_str(), (path + ".1").c_str()), 0);
    logger << "four\n" << std::flush;
    read = tail.poll(1 << 20);
    EXPECT_TRUE(read.gone);
    EXPECT_EQ(text(read), "four\n") << "the renamed file is read to its end first";
    // The new file appears while the old one still takes a line: that line is read first.
    write(path, "six\n");
    logger << "five\n" << std::flush;
    read = tail.poll(1 << 20);
    EXPECT_FALSE(read.rotated);
    EXPECT_EQ(text(read), "five\n");
    read = tail.poll(1 << 20);
    EXPECT_TRUE(read.rotated) << "the old file lives on as today.log.1";
    EXPECT_FALSE(read.restarted);
    EXPECT_FALSE(read.gone);
    EXPECT_EQ(text(read), "six\n");
    ASSERT_TRUE(read.rotatedFile.isOpen());
    char first[4] = {};
    EXPECT_EQ(::pread(read.rotatedFile.get(), first, 3, 0), 3);
    EXPECT_EQ(std::string(first, 3), "rep") << "the rotated file is handed over whole";
    append(path, "seven\n");
    EXPECT_EQ(text(tail.poll(1 << 20)), "seven\n");
}

TEST(FileTail, KeepsReadingAFileWhoseNameIsGone) {
    TempFolder folder;
    const std::string path = folder / "today.log";
    write(path, "a\n");
    FileTail tail;
    ASSERT_EQ(tail.open(path), 0);
    tail.poll(1 << 20);
    std::ofstream stillOpen(path, std::ios::binary | std::ios::app);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    stillOpen << "b\n" << std::flush;
    const FileTail::Read read = tail.poll(1 << 20);
    EXPECT_TRUE(read.gone);
    EXPECT_FALSE(read.restarted);
    EXPECT_EQ(text(read), "b\n");

    write(path, "c\n");  // a new file under the old name
    const FileTail::Read again = tail.poll(1 << 20);
    EXPECT_FALSE(again.gone);
    EXPECT_TRUE(again.restarted);
    EXPECT_EQ(text(again), "c\n");
}

TEST(FileTail, RefusesWhatIsNoLogFileWithoutLeaking) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    const long before = testing_support::openDescriptorCount();
    const struct {
        std::string path;
        int error;
    } rows[] = {
        {folder / "missing.log", ENOENT}, {folder.path(), EISDIR}, {"/dev/null", EINVAL}, {folder / "pipe", EINVAL}};
    for (const auto& row : rows) {
        FileTail tail;
        EXPECT_EQ(tail.open(row.path), row.error) << row.path;
        EXPECT_FALSE(tail.isOpen());
        EXPECT_EQ(text(tail.poll(100)), "");
    }
    EXPECT_EQ(testing_support::openDescriptorCount(), before);
}

}  // namespace
}  // namespace vemtora::plot
