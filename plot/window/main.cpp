// vemtora-plot: draws a Vemtora log as a graph and follows it while it grows.
#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plot/cli/log_summary.h"
#include "plot/cli/plot_command_line.h"
#include "plot_window.h"
#include "vemtora_version.h"

namespace {

constexpr char kProgram[] = "vemtora-plot";

std::vector<std::string> argumentsOf(int argc, char** argv) { return {argv + 1, argv + argc}; }

int fail(const std::string& file, const std::string& error) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, file.c_str(), error.c_str());
    return 1;
}

int summary(const vemtora::plot::PlotCommandLine& commandLine) {
    vemtora::plot::LoadedLog log;
    std::string error = vemtora::plot::loadLog(commandLine.file, log);
    if (!error.empty()) return fail(commandLine.file, error);
    const auto range = vemtora::plot::rangeOf(log.store, log.reader.dated(), commandLine.from, commandLine.to, error);
    if (!range) return fail(commandLine.file, error);
    std::fputs(vemtora::plot::summaryText(log, *range).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int exportPicture(const vemtora::plot::PlotCommandLine& commandLine) {
    vemtora::plot::PlotWindow window;
    QString error;
    if (!window.openLog(QString::fromLocal8Bit(commandLine.file.c_str()), &error)) {
        return fail(commandLine.file, error.toLocal8Bit().toStdString());
    }
    if (!window.showRange(QString::fromStdString(commandLine.from), QString::fromStdString(commandLine.to), &error)) {
        return fail(commandLine.file, error.toLocal8Bit().toStdString());
    }
    window.showForPicture(QSize(commandLine.width, commandLine.height));
    if (!window.exportView(QString::fromLocal8Bit(commandLine.exportPath.c_str()), &error)) {
        return fail(commandLine.file, error.toLocal8Bit().toStdString());
    }
    return 0;
}

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

    if (early.action == PlotCommandLine::Action::Summary) return summary(early);
    // No display wanted for a picture: offscreen whatever the session has.
    if (early.action == PlotCommandLine::Action::Export) qputenv("QT_QPA_PLATFORM", "offscreen");

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

    if (commandLine.action == PlotCommandLine::Action::Export) return exportPicture(commandLine);

    vemtora::plot::PlotWindow window;
    if (!commandLine.file.empty()) {
        QString error;
        if (!window.openLog(QString::fromLocal8Bit(commandLine.file.c_str()), &error, true)) {
            std::fprintf(stderr, "%s: %s: %s\n", kProgram, commandLine.file.c_str(), error.toLocal8Bit().constData());
            return 1;
        }
    }
    window.show();
    return app.exec();
}
