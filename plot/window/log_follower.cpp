#include "log_follower.h"

#include <QFile>

#include <cerrno>
#include <utility>

namespace vemtora::plot {

LogFollower::LogFollower(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LogFollower::poll);
}

int LogFollower::open(const QString& path, bool waitIfMissing) {
    auto tail = std::make_unique<FileTail>();
    const int error = tail->open(QFile::encodeName(path).toStdString());
    if (error != 0 && !(error == ENOENT && waitIfMissing)) return error;
    waiting_ = error != 0;
    tail_ = waiting_ ? nullptr : std::move(tail);
    path_ = path;
    store_.clear();
    reader_.reset();
    nameGone_ = false;
    readError_ = 0;
    restarts_ = 0;
    catchingUp_ = !waiting_;
    stillSince_.start();
    emit samplesChanged(true);
    timer_.start(waiting_ ? kPollMs : 0);
    return 0;
}

void LogFollower::poll() {
    if (!tail_ && waiting_) {
        auto tail = std::make_unique<FileTail>();
        if (tail->open(QFile::encodeName(path_).toStdString()) != 0) {
            timer_.start(kPollMs);
            return;
        }
        tail_ = std::move(tail);
        waiting_ = false;
    }
    if (!tail_) return;
    QElapsedTimer slice;
    slice.start();
    FileTail::Read read;
    bool restarted = false;
    bool grew = false;
    do {
        read = tail_->poll(kChunkBytes);
        if (read.restarted) {
            store_.clear();
            reader_.reset();
            ++restarts_;
            restarted = true;
        }
        reader_.feed(read.bytes);  // before the next poll, which reuses its buffer
        grew = grew || !read.bytes.empty();
    } while (read.more && !slice.hasExpired(kReadSliceMs));
    bool settled = false;
    if (grew || restarted) {
        stillSince_.start();
    } else if (stillSince_.hasExpired(kSettleMs)) {
        settled = reader_.settlePartialLine();
    }
    // The end reached counts as a change too: an empty file must stop saying it is being read.
    const bool changed = restarted || grew || settled || nameGone_ != read.gone || readError_ != read.error ||
                         catchingUp_ != read.more;
    nameGone_ = read.gone;
    readError_ = read.error;
    catchingUp_ = read.more;
    if (changed) emit samplesChanged(restarted);
    timer_.start(read.more ? 0 : kPollMs);
}

void LogFollower::stop() {
    timer_.stop();
    tail_.reset();
    waiting_ = false;
    catchingUp_ = false;
}

}  // namespace vemtora::plot
