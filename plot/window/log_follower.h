// A log file read into samples and then followed while it grows, on the Qt event loop.
#pragma once

#include <QObject>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <memory>

#include "plot/follow/file_tail.h"
#include "plot/reader/log_reader.h"
#include "plot/series/sample_store.h"

namespace vemtora::plot {

class LogFollower : public QObject {
    Q_OBJECT

public:
    static constexpr int kPollMs = 300;
    static constexpr std::size_t kChunkBytes = 1 << 20;
    // Reading per turn of the event loop, so a big log keeps the window answering (and closing) at once.
    static constexpr int kReadSliceMs = 40;
    // A last line without its line feed is taken as whole once the file has stood still this long.
    static constexpr int kSettleMs = 1000;

    explicit LogFollower(QObject* parent = nullptr);

    // 0 or an errno; on failure whatever was open stays open. waitIfMissing: a file that does not
    // exist yet is waited for, as tail -F does.
    int open(const QString& path, bool waitIfMissing = false);
    // Reads no more: the window is closing.
    void stop();

    const SampleStore& store() const { return store_; }
    const LogReader& reader() const { return reader_; }
    QString path() const { return path_; }
    bool isOpen() const { return tail_ != nullptr; }
    bool catchingUp() const { return catchingUp_; }  // more is waiting to be read
    bool nameGone() const { return nameGone_; }
    bool waiting() const { return waiting_; }  // for the file to appear
    int readError() const { return readError_; }
    // Times the file was cut back or replaced and read again from its start.
    int restarts() const { return restarts_; }

signals:
    // New samples, or a fresh start (restarted) after the file was cut back or replaced.
    void samplesChanged(bool restarted);

private:
    void poll();

    std::unique_ptr<FileTail> tail_;
    SampleStore store_;
    LogReader reader_{store_};
    QTimer timer_;
    QElapsedTimer stillSince_;  // the last new bytes
    QString path_;
    bool catchingUp_ = false;
    bool nameGone_ = false;
    int readError_ = 0;
    int restarts_ = 0;
    bool waiting_ = false;
};

}  // namespace vemtora::plot
