// vemtora-plot's Qt test classes, run one after another by plot_window_test_main.cpp.
#pragma once

#include <QObject>

namespace vemtora::plot::testing {

class PlotWindowTest : public QObject {
    Q_OBJECT
private slots:
    void knownLogGivesItsRangesAndSpan_data();
    void knownLogGivesItsRangesAndSpan();
    void plotAreasLineUp();
    void gapsBreakTheLinesAndClockStepsAreCounted();
    void emptyAndForeignFilesSaySo();
    void aMissingFileIsWaitedFor();
    void followsAppendsCutsAndReplacement();
    void mouseAndKeysZoomPanAndReset();
    void readoutShowsTheNearestSample();
    void exportWritesAPngAndAnSvg();
    void anotherLogThatCannotBeOpenedLeavesTheFirst();
    void axesShowRoundReadableLabelsAtEverySize();
    void selectionGivesItsEdgesAndStatistics();
    void savedRangeHoldsTheLogsOwnLines();
    void selectionAcrossAClockStep();
    void followToggleKeysAndTheReadout();
    void lastLineWithoutLineFeedIsDrawnOnce();
    void darkPaletteKeepsTextReadable();
    void recentFilesNewestFirstAndMissingGreyed();
    void appendsRedrawWhatTheyChangeOnScreen();
    void windowCarriesTheProgramIcon();
};

class PlotProgramTest : public QObject {
    Q_OBJECT
private slots:
    void commandLine_data();
    void commandLine();
    void runs_data();
    void runs();
    void untidyLogs_data();
    void untidyLogs();
    void exportWritesThePicture();
};

}  // namespace vemtora::plot::testing
