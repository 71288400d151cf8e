#include "log_follower.h"

#include <QFile>

#include <utility>

namespace vemtora::plot {

LogFollower::LogFollower(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LogFollower::poll);
}

int LogFollower::open(const QString& path) {
    auto tail = std::make_unique<FileTail>();
    const int error = tail->open(QFile::encodeName(path).toStdString());
    if (error != 0) return error;
    tail_ = std::move(tail);
    path_ = path;
    store_.clear();
    reader_.reset();
    nameGone_ = false;
    readError_ = 0;
    restarts_ = 0;
    catchingUp_ = true;
    emit samplesChanged(true);
    timer_.start(0);
    return 0;
}

void LogFollower::poll() {
    if (!tail_) return;
    const FileTail::Read read = tail_->poll(kChunkBytes);
    if (read.restarted) {
        store_.clear();
        reader_.reset();
        ++restarts_;
    }
    reader_.feed(read.bytes);
    // The end reached counts as a change too: an empty file must stop saying it is being read.
    const bool changed = read.restarted || !read.bytes.empty() || nameGone_ != read.gone || readError_ != read.error ||
                         catchingUp_ != read.more;
    nameGone_ = read.gone;
    readError_ = read.error;
    catchingUp_ = read.more;
    if (changed) emit samplesChanged(read.restarted);
    timer_.start(read.more ? 0 : kPollMs);
}

}  // namespace vemtora::plot
