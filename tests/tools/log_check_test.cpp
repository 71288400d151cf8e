#include "tools/soak/log_check.h"

#include <gtest/gtest.h>

namespace vemtora::soak {
namespace {

constexpr const char* kValues = "64.6\t1.94\t125.3";

struct LogCase {
    const char* name;
    std::string content;
    std::size_t lines;
    bool sound;
};

TEST(CheckLog, FindsEveryKindOfBrokenLog) {
    const LogCase cases[] = {
        {"empty", "", 0, true},
        {"steady", "09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.4\t64.6\t1.94\t125.3\n", 2, true},
        {"over midnight", "23:59:59.9\t64.6\t1.94\t125.3\n00:00:00.0\t64.6\t1.94\t125.3\n", 2, true},
        {"cut off at the end", "09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.4\t64.6\t1.9", 2, false},
        {"glued lines", "09:05:07.3\t64.6\t1.9409:05:07.4\t64.6\t1.94\t125.3\n", 1, false},
        {"other values", "09:05:07.3\t64.6\t1.94\t125.4\n", 1, false},
        {"two ticks in one tenth", "09:05:07.3\t64.6\t1.94\t125.3\n09:05:07.3\t64.6\t1.94\t125.3\n", 2, true},
        {"clock going back", "09:05:07.3\t64.6\t1.94\t125.3\n09:05:06.3\t64.6\t1.94\t125.3\n", 2, false},
        {"bad time", "25:05:07.3\t64.6\t1.94\t125.3\n", 1, false},
        {"carriage return", "09:05:07.3\t64.6\t1.94\t125.3\r\n", 1, false},
    };
    for (const auto& c : cases) {
        const LogCheck check = checkLog(c.content, kValues);
        EXPECT_EQ(check.lines, c.lines) << c.name;
        EXPECT_EQ(check.problems.empty(), c.sound) << c.name;
    }
}

TEST(TenthsOf, ReadsTheTimeStamp) {
    EXPECT_EQ(tenthsOf("00:00:00.0"), 0);
    EXPECT_EQ(tenthsOf("01:02:03.4\tx"), ((1 * 60 + 2) * 60 + 3) * 10 + 4);
    EXPECT_EQ(tenthsOf("1:02:03.4"), -1);
    EXPECT_EQ(tenthsOf("01:60:03.4"), -1);
}

}  // namespace
}  // namespace vemtora::soak
