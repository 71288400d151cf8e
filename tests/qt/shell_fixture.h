// Shared helpers of the Qt shell tests: a window on recording fakes, menu paths, ink in a grab,
// and running checks inside a modal dialog's own event loop.
#pragma once

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>

#include "shell/qt/main_window.h"
#include "tests/support/fakes.h"

namespace vemtora::testing {

// A frame of 64.6 V, 1.94 A with the default scales; the meter's own format.
inline constexpr char kFrame[] = "a1000\t200\t10z";

struct ShellUnderTest {
    FakeSerialLink link;
    FakeLogFile logFile;
    std::optional<std::wstring> chosenPath = L"/tmp/run.log";  // the save dialog's answer
    int clockCalls = 0;
    LocalTime nextTime{12, 34, 56, 700};
    std::unique_ptr<MainWindow> window;

    ShellUnderTest() {
        window = std::make_unique<MainWindow>(
            AcquisitionSettings{}, link, logFile, [this] { return chosenPath; },
            [this] {
                ++clockCalls;
                return nextTime;
            });
    }
    std::wstring status() const { return std::wstring(window->controller().texts().statusText.view()); }
    std::wstring measurement() const { return std::wstring(window->controller().texts().measurementText.view()); }
    std::wstring time() const { return std::wstring(window->controller().texts().timeText.view()); }
};

// The action reached by following captions from the menu bar; nullptr when the path is wrong.
inline QAction* menuAction(QMainWindow& window, std::initializer_list<QString> captions) {
    QList<QAction*> actions = window.menuBar()->actions();
    QAction* found = nullptr;
    for (const QString& caption : captions) {
        found = nullptr;
        for (QAction* action : actions) {
            if (action->text() == caption) found = action;
        }
        if (found == nullptr) return nullptr;
        actions = found->menu() ? found->menu()->actions() : QList<QAction*>{};
    }
    return found;
}

inline bool trigger(QMainWindow& window, std::initializer_list<QString> captions) {
    QAction* action = menuAction(window, captions);
    if (action == nullptr) return false;
    action->trigger();
    return true;
}

// The smallest rectangle inside area holding every pixel that differs from the background; empty when none.
inline QRect inkBounds(const QImage& image, const QRect& area, QRgb background) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != background) bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// Starts `open`, which may block in a modal loop, and runs `whileOpen` on the first visible
// top-level widget of type Dialog from inside that loop. Whatever whileOpen leaves open is
// rejected afterwards, so a failing check cannot hang the run. Returns whether one appeared.
template <typename Dialog>
bool withDialog(const std::function<void()>& open, const std::function<void(Dialog&)>& whileOpen,
                int timeoutMs = 5000) {
    bool seen = false;
    QDeadlineTimer deadline(timeoutMs);
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<Dialog*>(widget);
            if (dialog == nullptr || !dialog->isVisible()) continue;
            watcher.stop();
            seen = true;
            whileOpen(*dialog);
            if (dialog->isVisible()) dialog->reject();
            return;
        }
        if (deadline.hasExpired()) watcher.stop();
    });
    watcher.start();
    open();
    while (watcher.isActive()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return seen;
}

}  // namespace vemtora::testing

namespace vemtora::testing {

// Counts the paint events a widget receives and keeps the region of the last one.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;
    QRegion lastRegion;

protected:
    bool eventFilter(QObject*, QEvent* event) override;
};

}  // namespace vemtora::testing
