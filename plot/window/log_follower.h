// A log read into samples from one or more files and then followed while its last file grows,
// on the Qt event loop.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

#include "io/posix/owned_descriptor.h"
#include "plot/follow/file_tail.h"
#include "plot/headless/log_files.h"
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

    // 0 or an errno, with `failed` naming the file; on failure whatever was open stays open. The
    // files are read as one log in the order given, and the last is followed; waitIfMissing: if it
    // does not exist yet, it is waited for, as tail -F does.
    int open(const QStringList& paths, bool waitIfMissing = false, QString* failed = nullptr);
    // Reads no more: the window is closing.
    void stop();

    const SampleStore& store() const { return store_; }
    const LogReader& reader() const { return reader_; }
    QString path() const { return paths_.isEmpty() ? QString() : paths_.back(); }  // the file followed
    // Where each stretch of samples was read from, a rotated file by the descriptor still open.
    std::vector<LogSource> sources() const;
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
    struct Source {
        QString path;
        std::size_t firstSample = 0;
        posix::OwnedDescriptor rotated;  // the file once rotated away from `path`
    };
    void poll();
    bool openNextFile();  // the files before the followed one are read once each

    std::unique_ptr<FileTail> tail_;
    SampleStore store_;
    LogReader reader_{store_};
    QTimer timer_;
    QElapsedTimer stillSince_;  // the last new bytes
    QStringList paths_;
    std::vector<Source> sources_;
    bool catchingUp_ = false;
    bool nameGone_ = false;
    int readError_ = 0;
    int restarts_ = 0;
    bool waiting_ = false;
};

}  // namespace vemtora::plot
