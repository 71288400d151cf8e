// Writes a household day's log made by the core's formatLogLine: for the README's screenshot and trying the plotter.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "sample_log.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s FILE [LINES [STEP-TENTHS]]\n", argv[0]);
        return 2;
    }
    const long long lines = argc > 2 ? std::atoll(argv[2]) : 86400;
    const long long step = argc > 3 ? std::atoll(argv[3]) : 10;
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << vemtora::plot::testing::householdLog(lines, step > 0 ? step : 10);
    return out ? 0 : 1;
}
