#include "picture_export.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "chart_export.h"
#include "chart_stack.h"
#include "plot/headless/headless_run.h"
#include "plot/series/statistics_text.h"
#include "plot/series/time_axis.h"

namespace vemtora::plot {

namespace {

QString stampOf(const LoadedLog& log, std::size_t i) {
    return QString::fromStdString(
        stampLabel(log.store.clockOf(i), log.reader.dated(), log.store.segmentOf(i).utcOffsetMinutes));
}

}  // namespace

int runPictureExport(const PlotCommandLine& commandLine) {
    LoadedLog log;
    std::string error;
    const auto runs = loadNamedSamples(commandLine, log, error);
    if (!runs) return reportFailure(error);
    const SampleStore& store = log.store;
    // From the first sample named to the end of the time the last one covers.
    const std::size_t first = runs->front().begin, last = runs->back().end - 1;
    const double from = static_cast<double>(store.tenths()[first]) / 10.0;
    const double to = static_cast<double>(store.tenths()[last] + store.coverage(last)) / 10.0;
    ViewRange view;
    view.setData(static_cast<double>(store.tenths().front()) / 10.0,
                 std::max(to, static_cast<double>(store.tenths().back()) / 10.0));
    view.show(from, to);

    ChartStack charts(store, view);
    charts.allowAnySize();
    charts.setDated(log.reader.dated());
    QStringList names;
    for (const std::string& file : commandLine.files)
        names << QFileInfo(QString::fromLocal8Bit(file.c_str())).fileName();
    // A small picture is the charts alone: the text would crowd them out.
    constexpr int kRoomForText = 400;
    const bool text = commandLine.height >= kRoomForText && commandLine.width >= kRoomForText;
    if (text) {
        charts.setCaption(QStringLiteral("%1    %2 \u2013 %3")
                              .arg(names.join(QStringLiteral(", ")), stampOf(log, first), stampOf(log, last)));
    }
    charts.setStatisticsText(text ? QString::fromStdString(statisticsLine(statisticsOf(store, *runs), "In range"))
                                  : QString());
    for (Quantity quantity : kQuantities) {
        if (const auto& range = commandLine.valueRanges[static_cast<std::size_t>(quantity)])
            charts.setValueRange(quantity, range->low, range->high);
    }
    charts.setAttribute(Qt::WA_DontShowOnScreen);
    charts.resize(commandLine.width, commandLine.height);
    charts.show();
    // The layout settles through posted events; the axes are laid out for the final sizes only.
    QCoreApplication::processEvents();
    charts.refresh();
    QCoreApplication::processEvents();

    const QString path = QString::fromLocal8Bit(commandLine.exportPath.c_str());
    const bool saved = commandLine.picture == PlotCommandLine::Picture::Svg
                           ? exportSvg(charts, path, names.join(QStringLiteral(", ")))
                           : exportPng(charts, path);
    return saved ? 0 : reportFailure("cannot write " + commandLine.exportPath);
}

}  // namespace vemtora::plot
