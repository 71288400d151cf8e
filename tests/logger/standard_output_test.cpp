// The standard output's queue against a model, and the output on a real pipe nobody reads.
#include "shell/logger/standard_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "io/posix/owned_descriptor.h"

namespace vemtora::logger {
namespace {

// Lines of 5 to 12 bytes, partly written and pushed at random: the queue keeps exactly the
// lines a plain deque would keep when the oldest whole lines make room.
TEST(LineQueue, KeepsTheNewestWholeLinesWithinItsCapacity) {
    for (const std::size_t capacity : {std::size_t{12}, std::size_t{40}, std::size_t{257}}) {
        SCOPED_TRACE(capacity);
        LineQueue queue(capacity);
        std::deque<std::string> model;
        std::size_t modelWritten = 0;  // bytes of model.front() taken
        std::mt19937 random(static_cast<unsigned>(capacity));
        std::string received;
        std::string expected;
        for (int step = 0; step < 20000; ++step) {
            if (random() % 3 != 0) {
                const std::string line = std::to_string(step) + std::string(random() % 7, 'x') + "\n";
                std::size_t bytes = line.size() - modelWritten;
                for (const auto& queued : model) bytes += queued.size();
                std::size_t dropped = 0;
                while (bytes > capacity && model.size() > (modelWritten > 0 ? 1u : 0u)) {
                    const auto victim = modelWritten > 0 ? model.begin() + 1 : model.begin();
                    bytes -= victim->size();
                    model.erase(victim);
                    ++dropped;
                }
                if (bytes <= capacity) {
                    model.push_back(line);
                } else {
                    ++dropped;
                }
                ASSERT_EQ(queue.push(line), dropped) << step;
            } else if (!model.empty()) {
                const std::string_view front = queue.front();
                ASSERT_EQ(front, std::string_view(model.front()).substr(modelWritten)) << step;
                const std::size_t taken = 1 + random() % front.size();
                received.append(front.substr(0, taken));
                queue.consume(taken);
                modelWritten += taken;
                if (modelWritten == model.front().size()) {
                    expected += model.front();
                    model.pop_front();
                    modelWritten = 0;
                }
            }
            ASSERT_EQ(queue.lines(), model.size()) << step;
            ASSERT_LE(queue.bytes(), capacity) << step;
        }
        EXPECT_EQ(received.substr(0, expected.size()), expected);
        EXPECT_EQ(queue.clear(), model.size());
        EXPECT_TRUE(queue.empty());
    }
}

TEST(LineQueue, LineWithoutItsLineFeedGetsOne) {
    LineQueue queue(100);
    queue.push("a");
    queue.push("b\n");
    EXPECT_EQ(queue.front(), "a\n");
    queue.consume(2);
    EXPECT_EQ(queue.front(), "b\n");
}

// A pipe of one page that nobody reads, and a queue of 300 bytes behind it.
class StalledPipe : public ::testing::Test {
protected:
    StalledPipe() {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        reader.reset(ends[0]);
        writer.reset(ends[1]);
        EXPECT_EQ(::fcntl(writer.get(), F_SETPIPE_SZ, 4096), 4096);
        output = std::make_unique<StandardOutput>(writer.get(), 300, true,
                                                  [this](std::string_view s) { said.emplace_back(s); });
    }
    std::string drain() {
        std::string bytes;
        const int flags = ::fcntl(reader.get(), F_GETFL);
        ::fcntl(reader.get(), F_SETFL, flags | O_NONBLOCK);
        char chunk[4096];
        for (ssize_t n; (n = ::read(reader.get(), chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, static_cast<std::size_t>(n));
        ::fcntl(reader.get(), F_SETFL, flags);
        return bytes;
    }
    static std::string line(int number) { return "line " + std::to_string(1000 + number) + "\n"; }  // 10 bytes

    posix::OwnedDescriptor reader;
    posix::OwnedDescriptor writer;
    std::vector<std::string> said;
    std::unique_ptr<StandardOutput> output;
};

TEST_F(StalledPipe, DropsTheOldestSaysSoOnceAndCountsThemWhenReadAgain) {
    // 409 lines fill the page; 30 more the queue; the last 100 push out as many of those.
    for (int i = 0; i < 539; ++i) output->write(line(i));
    EXPECT_TRUE(output->waiting());
    EXPECT_EQ(::fcntl(writer.get(), F_GETFL) & O_NONBLOCK, 0) << "left as found between writes";
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0],
              "standard output is not being read; its oldest lines make room for new ones "
              "(the log file has them all)");

    std::string received = drain();
    output->flush();
    received += drain();
    EXPECT_FALSE(output->waiting());
    std::string expected;
    for (int i = 0; i < 409; ++i) expected += line(i);
    for (int i = 509; i < 539; ++i) expected += line(i);
    EXPECT_EQ(received, expected);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1],
              "standard output is being read again; 100 lines were not shown on standard output "
              "(the log file has them)");
}

TEST_F(StalledPipe, FinishGivesUpAfterItsPatienceAndCountsWhatIsLeft) {
    for (int i = 0; i < 420; ++i) output->write(line(i));
    const auto start = std::chrono::steady_clock::now();
    output->finish(std::chrono::milliseconds(200));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(190));
    EXPECT_LT(waited, std::chrono::milliseconds(700));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "11 lines were not shown on standard output (the log file has them)");
    EXPECT_EQ(drain().size(), 4090u);
}

TEST_F(StalledPipe, ReaderThatGoesAwayClosesTheOutputQuietly) {
    // As in the logger: EPIPE instead of the signal.
    struct sigaction ignore {
    }, saved{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &saved), 0);
    reader.reset();
    output->write(line(0));
    ::sigaction(SIGPIPE, &saved, nullptr);
    EXPECT_TRUE(output->closed());
    EXPECT_FALSE(output->waiting());
    output->finish(std::chrono::milliseconds(200));
    EXPECT_TRUE(said.empty());
}

}  // namespace
}  // namespace vemtora::logger
