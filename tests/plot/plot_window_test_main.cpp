// Runs vemtora-plot's Qt test classes in one QApplication on the offscreen platform.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "plot_window_tests.h"

int main(int argc, char** argv) {
    // Recent files and other settings land here, not in the user's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    int failures = 0;
    vemtora::plot::testing::PlotWindowTest window;
    failures += QTest::qExec(&window, argc, argv);
    vemtora::plot::testing::PlotProgramTest program;
    failures += QTest::qExec(&program, argc, argv);
    return failures == 0 ? 0 : 1;
}
