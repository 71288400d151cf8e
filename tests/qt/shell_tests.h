// The Qt shell's test classes, run one after another by test_main.cpp.
#pragma once

#include <QObject>

namespace vemtora::testing {

class MenuCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void menuTreeMatchesTheCoreTable();
    void commandsReachTheController_data();
    void commandsReachTheController();
    void devicesFollowThePortsAndAreChosenAsPortsAre();
    void aFailedStartSaysWhy();
    void sameIntervalAgainRestartsTheReportTimer();
    void exitClosesTheWindowAndShutsDown();
};

class WindowPaintTest : public QObject {
    Q_OBJECT
private slots:
    void fontsHaveTheirLineHeights();
    void laidOutTextDrawsAsDrawTextDoes_data();
    void laidOutTextDrawsAsDrawTextDoes();
    void textsArePaintedInTheirPlaces();
    void noTextCoversAnotherAtTheFirstSize();
    void resizeRepaintsTheWholeClientArea();
    void timeAdvancesEveryIntervalWithoutCollecting();
    void onlyWhatChangedIsRepainted();
    void changedStretchRepaintsAsAWholeLayoutWould_data();
    void changedStretchRepaintsAsAWholeLayoutWould();
    void screenShowsEachChangeAsAWholeRepaintWould_data();
    void screenShowsEachChangeAsAWholeRepaintWould();
    void measurementUsesAPointInAnyLocale();
};

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void opensAndCloses_data();
    void opensAndCloses();
    void timersRunWhileItIsOpen();
};

class SaveDialogTest : public QObject {
    Q_OBJECT
private slots:
    void propertiesAndUsableMainWindow();
    void answers_data();
    void answers();
    void folderMustExist();
    void existingFileNeedsConfirmation();
    void saveFromTheMenuLogsToTheChosenFile();
    void closingTheWindowDuringTheDialog();
};

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void split_data();
    void split();
};

class WindowFrameTest : public QObject {
    Q_OBJECT
private slots:
    void outerSizeHoldsWithoutActivation();
    void sizeChosenBeforeTheFrameIsKnownIsKept();
    void aboutBoxClientAreaStartsAtTheWindowsClientOrigin();
    void clientAreaIsPaintedInTheWindowBackgroundColour();
    void windowThreadRunsOnQtsOwnDispatcher();
    void dispatcherChoiceLeavesTheUsersSettingAlone();
};

}  // namespace vemtora::testing
