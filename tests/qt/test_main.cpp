// Runs every Qt shell test class in one QApplication, in the locale the environment asks for.
#include <QApplication>
#include <QTest>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/qt/event_loop_choice.h"
#include "shell_tests.h"

int main(int argc, char** argv) {
    vemtora::preferPlainEventDispatcher();  // the window runs on the dispatcher the program gives it
    QApplication app(argc, argv);           // sets the C locale from the environment, as the program does
    if (std::getenv("VEMTORA_EXPECT_COMMA_LOCALE") != nullptr &&
        std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
        std::printf("SKIPPED: no comma-decimal locale is available here (LC_ALL=%s)\n",
                    std::getenv("LC_ALL") ? std::getenv("LC_ALL") : "");
        return 77;
    }
    int failures = 0;
    vemtora::testing::MenuCommandsTest menuCommands;
    failures += QTest::qExec(&menuCommands, argc, argv);
    vemtora::testing::WindowPaintTest windowPaint;
    failures += QTest::qExec(&windowPaint, argc, argv);
    vemtora::testing::AboutBoxTest aboutBox;
    failures += QTest::qExec(&aboutBox, argc, argv);
    vemtora::testing::SaveDialogTest saveDialog;
    failures += QTest::qExec(&saveDialog, argc, argv);
    vemtora::testing::WindowFrameTest windowFrame;
    failures += QTest::qExec(&windowFrame, argc, argv);
    vemtora::testing::CommandLineTest commandLine;
    failures += QTest::qExec(&commandLine, argc, argv);
    return failures == 0 ? 0 : 1;
}
