// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal, so they close the window like its close box
// and an open log ends with whole lines.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace vemtora {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // One instance at a time: the handlers share a process-wide pipe.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vemtora
