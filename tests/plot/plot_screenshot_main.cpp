// Makes the README's picture of vemtora-plot: a household day at 1 s with an hour and a half not
// logged after noon, the washing machine's morning selected.  plot_screenshot OUT.png
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "plot/window/plot_window.h"
#include "sample_log.h"
#include "tests/plot/plot_peer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plot_screenshot OUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));  // no recent files of anyone's
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("household.log"));
    {
        using vemtora::plot::testing::appendHouseholdLines;
        std::string text;
        appendHouseholdLines(text, 0, 13 * 3600, 10);
        appendHouseholdLines(text, 14 * 3600 + 1800, 86400 - 14 * 3600 - 1800, 10);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
            return 1;
        }
    }
    vemtora::plot::PlotWindow window;
    using vemtora::plot::testing::PlotPeer;
    QString error;
    if (!window.openLog(path, &error)) return 1;
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.resize(1200, 760);
    window.show();
    QDeadlineTimer deadline(20000);
    while ((PlotPeer::follower(window).catchingUp() || PlotPeer::follower(window).store().size() < 86400 - 5400) &&
           !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    window.select(9.9 * 3600, 11.6 * 3600);
    QCoreApplication::processEvents();
    PlotPeer::charts(window).refresh();
    QCoreApplication::processEvents();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
