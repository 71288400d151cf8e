// vemtora-plot: draws a Vemtora log as a graph and follows it while it grows.
#include <QApplication>
#include <QStringList>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture_export.h"
#include "plot/headless/headless_run.h"
#include "plot/headless/plot_command_line.h"
#include "plot_window.h"
#include "vemtora_version.h"

namespace {

using vemtora::plot::kPlotProgram;
using vemtora::plot::PlotCommandLine;

// The files a window would open, checked before a display is needed: the last may be missing
// (it is waited for), the others must be there.
std::string unreadableFile(const std::vector<std::string>& files) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        struct stat status {};
        if (::stat(files[i].c_str(), &status) != 0) {
            if (errno == ENOENT && i + 1 == files.size()) continue;
            return files[i] + ": " + std::strerror(errno);
        }
        if (S_ISDIR(status.st_mode)) return files[i] + ": " + std::strerror(EISDIR);
    }
    return {};
}

bool displayNamed(const PlotCommandLine& commandLine) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    for (const std::string& argument : commandLine.qtArguments) {
        if (argument.ends_with("platform") || argument.ends_with("display")) return true;
    }
    return false;
}

// Qt sees the program's name and its own options only: ours are read already.
int runWindow(const PlotCommandLine& commandLine, const char* program) {
    std::vector<std::string> qt = {program};
    qt.insert(qt.end(), commandLine.qtArguments.begin(), commandLine.qtArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : qt) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(qt.size());
    QApplication app(argc, argv.data());
    QApplication::setApplicationName(QString::fromLatin1(kPlotProgram));
    QApplication::setApplicationVersion(QStringLiteral(VEMTORA_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kPlotProgram));

    vemtora::plot::PlotWindow window;
    if (!commandLine.files.empty()) {
        QStringList paths;
        for (const std::string& file : commandLine.files) paths << QString::fromLocal8Bit(file.c_str());
        QString error;
        if (!window.openLogs(paths, &error, true)) {
            const std::string message = error.toLocal8Bit().toStdString();
            return vemtora::plot::reportFailure(paths.size() == 1 ? commandLine.files.front() + ": " + message
                                                                  : message);
        }
    }
    window.show();
    return app.exec();
}

int runPicture(const PlotCommandLine& commandLine, const char* program) {
    // No display wanted for a picture: offscreen whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    std::string name = program;
    char* argv[] = {name.data(), nullptr};
    QApplication app(argc, argv);
    return vemtora::plot::runPictureExport(commandLine);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Read whole before Qt starts: every answer but the window's needs no display.
    const PlotCommandLine commandLine = vemtora::plot::parsePlotCommandLine({argv + 1, argv + argc});
    switch (commandLine.action) {
        case PlotCommandLine::Action::Help: std::fputs(vemtora::plot::plotHelpText().c_str(), stdout); return 0;
        case PlotCommandLine::Action::Version:
            std::fputs(vemtora::plot::plotVersionText(VEMTORA_VERSION).c_str(), stdout);
            return 0;
        case PlotCommandLine::Action::UsageError:
            std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kPlotProgram,
                         commandLine.error.c_str(), kPlotProgram);
            return 2;
        case PlotCommandLine::Action::Summary: return vemtora::plot::runSummary(commandLine);
        case PlotCommandLine::Action::Export:
            if (commandLine.picture == PlotCommandLine::Picture::Csv) return vemtora::plot::runCsvExport(commandLine);
            return runPicture(commandLine, argv[0]);
        case PlotCommandLine::Action::Run: break;
    }
    if (const std::string problem = unreadableFile(commandLine.files); !problem.empty())
        return vemtora::plot::reportFailure(problem);
    if (!displayNamed(commandLine)) {
        return vemtora::plot::reportFailure(
            "no display to show the window on (DISPLAY is not set); --summary and --export need none");
    }
    return runWindow(commandLine, argv[0]);
}
