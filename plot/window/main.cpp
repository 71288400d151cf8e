// vemtora-plot: draws a Vemtora log as a graph and follows it while it grows.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plot_command_line.h"
#include "plot_window.h"
#include "vemtora_version.h"

namespace {

constexpr char kProgram[] = "vemtora-plot";

std::vector<std::string> argumentsOf(int argc, char** argv) { return {argv + 1, argv + argc}; }

}  // namespace

int main(int argc, char* argv[]) {
    using vemtora::plot::PlotCommandLine;
    // Answered before Qt starts, so they work without a display.
    const PlotCommandLine early = vemtora::plot::parsePlotCommandLine(argumentsOf(argc, argv));
    if (early.action == PlotCommandLine::Action::Help) {
        std::fputs(vemtora::plot::plotHelpText().c_str(), stdout);
        return 0;
    }
    if (early.action == PlotCommandLine::Action::Version) {
        std::fputs(vemtora::plot::plotVersionText(VEMTORA_VERSION).c_str(), stdout);
        return 0;
    }

    QApplication app(argc, argv);  // takes its own options out of argv
    QApplication::setApplicationName(QString::fromLatin1(kProgram));
    QApplication::setApplicationVersion(QStringLiteral(VEMTORA_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kProgram));

    const PlotCommandLine commandLine = vemtora::plot::parsePlotCommandLine(argumentsOf(argc, argv));
    if (commandLine.action == PlotCommandLine::Action::UsageError) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, commandLine.error.c_str(),
                     kProgram);
        return 2;
    }

    vemtora::plot::PlotWindow window;
    if (!commandLine.file.empty()) {
        QString error;
        if (!window.openLog(QString::fromLocal8Bit(commandLine.file.c_str()), &error)) {
            std::fprintf(stderr, "%s: %s: %s\n", kProgram, commandLine.file.c_str(), error.toLocal8Bit().constData());
            return 1;
        }
    }
    window.show();
    return app.exec();
}
