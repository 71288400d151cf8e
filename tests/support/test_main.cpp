// Runs the tests in the locale the environment asks for, as a GUI toolkit would.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const bool expectComma = argc > 1 && std::strcmp(argv[1], "--expect-comma-locale") == 0;
    const char* locale = std::setlocale(LC_ALL, "");
    if (expectComma && (locale == nullptr || std::strcmp(std::localeconv()->decimal_point, ",") != 0)) {
        std::printf("SKIPPED: no comma-decimal locale is available here (LC_ALL=%s)\n",
                    std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "");
        return 77;
    }
    return RUN_ALL_TESTS();
}
