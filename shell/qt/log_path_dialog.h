// Asks the user where to log: a save dialog without an owner, so the main window stays usable.
#pragma once

#include <QFileDialog>
#include <QPointer>

#include <optional>
#include <string>

namespace vemtora {

class LogPathDialog : public QObject {
    Q_OBJECT

public:
    // Runs the dialog in a local event loop (timers and the main window keep working);
    // nullopt when cancelled, dismissed or when the path is longer than kMaxLogPathLength.
    std::optional<std::wstring> choose();

    // Cancels an open dialog, for when the main window goes away underneath it.
    void dismiss();

private:
    QPointer<QFileDialog> open_;
};

}  // namespace vemtora
