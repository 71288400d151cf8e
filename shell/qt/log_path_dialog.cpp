#include "log_path_dialog.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>

#include "core/controller_interfaces.h"

namespace vemtora {

namespace {

// Qt's own dialog accepts a name in a folder that does not exist; ours refuses it, as the
// Windows edition's dialog does, and keeps the name for correcting.
class SaveLogDialog : public QFileDialog {
public:
    SaveLogDialog() : QFileDialog(nullptr) {
        // Qt's widget dialog on every desktop, so every property below holds everywhere.
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilter(QStringLiteral("Log files (*.log)"));
        // No default suffix: a name typed without one is used as typed.
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !QFileInfo(files.first()).absoluteDir().exists()) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("The folder %1 does not exist.").arg(QFileInfo(files.first()).absolutePath()));
            return;
        }
        QFileDialog::accept();
    }
};

}  // namespace

std::optional<std::wstring> LogPathDialog::choose() {
    SaveLogDialog dialog;
    open_ = &dialog;
    QEventLoop loop;
    connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    loop.exec();
    open_ = nullptr;

    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    std::wstring path = dialog.selectedFiles().first().toStdWString();
    if (path.empty() || path.size() > kMaxLogPathLength) return std::nullopt;
    return path;
}

void LogPathDialog::dismiss() {
    if (open_) open_->reject();
}

}  // namespace vemtora
