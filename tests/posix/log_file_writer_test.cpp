// The log file writer against real files in a private folder.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "io/posix/log_file_writer.h"
#include "tests/posix/descriptor_count.h"
#include "tests/posix/log_file_contents.h"
#include "tests/posix/temp_folder.h"

namespace vemtora {
namespace {

using testing_support::fileContents;
using testing_support::openDescriptorCount;
using testing_support::TempFolder;
using testing_support::widened;
using testing_support::writeFile;

LogFileWriter writerWithoutDialog() {
    return LogFileWriter([] { return std::optional<std::wstring>{}; });
}

TEST(LogFileWriterTest, ChooseFilePassesTheDialogAnswerAndTreatsOverlongPathsAsCancelled) {
    struct Row {
        std::optional<std::wstring> dialogAnswer;
        std::optional<std::wstring> expected;
    };
    const std::wstring longest = L"/" + std::wstring(254, L'x');
    const Row rows[] = {
        {std::nullopt, std::nullopt},
        {L"/tmp/meter.log", L"/tmp/meter.log"},
        {longest, longest},
        {longest + L"x", std::nullopt},
    };
    for (const Row& row : rows) {
        int dialogsShown = 0;
        LogFileWriter writer([&] {
            ++dialogsShown;
            return row.dialogAnswer;
        });
        EXPECT_EQ(writer.chooseFile(), row.expected);
        EXPECT_EQ(dialogsShown, 1);
    }
}

TEST(LogFileWriterTest, NewFileIsCreatedWithTheModeTheUmaskAllows) {
    struct Row {
        mode_t umask;
        mode_t expected;
    };
    const Row rows[] = {{022, 0644}, {077, 0600}, {002, 0664}};
    TempFolder folder;
    const mode_t saved = ::umask(0);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.umask);
        const std::string path = folder / ("umask" + std::to_string(row.umask) + ".log");
        ::umask(row.umask);
        LogFileWriter writer = writerWithoutDialog();
        ASSERT_TRUE(writer.open(widened(path)));
        struct stat created {};
        ASSERT_EQ(::stat(path.c_str(), &created), 0);
        EXPECT_EQ(created.st_mode & 0777, row.expected);
        EXPECT_EQ(created.st_size, 0);
    }
    ::umask(saved);
}

TEST(LogFileWriterTest, LinesGoAfterExistingContent) {
    TempFolder folder;
    const std::string path = folder / "meter.log";
    writeFile(path, "10:00:00.0\t1\t2\t3\n");
    LogFileWriter writer = writerWithoutDialog();
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("10:00:00.5\t4\t5\t6\n");
    writer.appendLine("10:00:01.0\t7\t8\t9\n");
    EXPECT_EQ(fileContents(path), "10:00:00.0\t1\t2\t3\n10:00:00.5\t4\t5\t6\n10:00:01.0\t7\t8\t9\n");
}

TEST(LogFileWriterTest, CloseAndReopenContinuesAfterTheOldLines) {
    TempFolder folder;
    const std::string path = folder / "meter.log";
    LogFileWriter writer = writerWithoutDialog();
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("first\n");
    writer.close();
    writer.appendLine("while closed\n");
    ASSERT_TRUE(writer.open(widened(path)));
    writer.appendLine("second\n");
    EXPECT_EQ(fileContents(path), "first\nsecond\n");
}

TEST(LogFileWriterTest, HeldFileIsRefusedUntilReleased) {
    TempFolder folder;
    const std::string path = folder / "meter.log";
    LogFileWriter holder = writerWithoutDialog();
    ASSERT_TRUE(holder.open(widened(path)));

    LogFileWriter second = writerWithoutDialog();
    const std::size_t descriptorsBefore = openDescriptorCount();
    EXPECT_FALSE(second.open(widened(path)));
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);

    holder.close();
    EXPECT_TRUE(second.open(widened(path)));
}

TEST(LogFileWriterTest, FileLockedByAnotherProgramIsRefused) {
    TempFolder folder;
    const std::string path = folder / "meter.log";
    const posix::OwnedDescriptor otherProgram(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    ASSERT_TRUE(otherProgram.isOpen());
    ASSERT_EQ(::flock(otherProgram.get(), LOCK_EX | LOCK_NB), 0);
    LogFileWriter writer = writerWithoutDialog();
    EXPECT_FALSE(writer.open(widened(path)));
}

TEST(LogFileWriterTest, NameIsUsedExactlyAsTyped) {
    struct Row {
        std::wstring typed;
        std::string onDisk;
    };
    const Row rows[] = {
        {L"measurements", "measurements"},
        {L"\u30ed\u30b0.log", "\xe3\x83\xad\xe3\x82\xb0.log"},
        {L"\u30c7\u30fc\u30bf", "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf"},
        {L"run 2.LOG", "run 2.LOG"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.onDisk);
        TempFolder folder;
        LogFileWriter writer = writerWithoutDialog();
        ASSERT_TRUE(writer.open(widened(folder.path()) + L"/" + row.typed));
        writer.appendLine("line\n");
        writer.close();
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{row.onDisk});
        EXPECT_EQ(fileContents(folder / row.onDisk), "line\n");
    }
}

TEST(LogFileWriterTest, FailedOpenLeavesNothingOpenOrCreated) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "a folder");
    struct Row {
        std::wstring path;
        const char* why;
    };
    const Row rows[] = {
        {widened(folder / "missing/meter.log"), "folder does not exist"},
        {widened(folder / "a folder"), "a folder, not a file"},
        {widened(folder.path()) + L"/" + static_cast<wchar_t>(0xD800) + L".log", "not a code point"},
        {widened(folder.path()) + std::wstring(L"/a\0b.log", 8), "NUL inside the name"},
        {L"", "empty path"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        LogFileWriter writer = writerWithoutDialog();
        const std::size_t descriptorsBefore = openDescriptorCount();
        EXPECT_FALSE(writer.open(row.path));
        EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
        writer.appendLine("lost\n");
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"a folder"});
}

}  // namespace
}  // namespace vemtora
