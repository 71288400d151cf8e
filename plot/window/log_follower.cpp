#include "log_follower.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace vemtora::plot {

namespace {

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The shortest line that gives a sample, for room enough for a file's samples at once.
constexpr qint64 kShortestLine = 24;

}  // namespace

LogFollower::LogFollower(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LogFollower::poll);
}

int LogFollower::open(const QStringList& paths, bool waitIfMissing, QString* failed) {
    if (paths.isEmpty()) return ENOENT;
    // Every file checked before anything is dropped: a mistyped name leaves the log shown.
    auto tail = std::make_unique<FileTail>();
    bool lastMissing = false;
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        const int error = tail->open(nativePath(paths[i]));
        if (error == 0) continue;
        if (i == paths.size() - 1 && error == ENOENT && waitIfMissing) {
            lastMissing = true;
            continue;
        }
        if (failed) *failed = paths[i];
        return error;
    }
    waiting_ = lastMissing && paths.size() == 1;
    tail_ = waiting_ ? nullptr : std::move(tail);  // open on the first file
    paths_ = paths;
    store_.clear();
    reader_.reset();
    qint64 bytes = 0;
    for (const QString& path : paths) bytes += QFileInfo(path).size();
    store_.reserve(static_cast<std::size_t>(bytes / kShortestLine + 1));
    sources_.clear();
    sources_.push_back({paths.front(), 0, {}});
    nameGone_ = false;
    readError_ = 0;
    restarts_ = 0;
    catchingUp_ = tail_ != nullptr;
    stillSince_.start();
    emit samplesChanged(true);
    timer_.start(tail_ ? 0 : kPollMs);
    return 0;
}

std::vector<LogSource> LogFollower::sources() const {
    std::vector<LogSource> list;
    for (const Source& source : sources_)
        list.push_back({nativePath(source.path), source.firstSample, source.rotated.get()});
    return list;
}

bool LogFollower::openNextFile() {
    if (sources_.size() >= static_cast<std::size_t>(paths_.size())) return false;
    reader_.finish();
    const QString next = paths_[static_cast<qsizetype>(sources_.size())];
    sources_.push_back({next, store_.size(), {}});
    auto tail = std::make_unique<FileTail>();
    const int error = tail->open(nativePath(next));
    waiting_ = error != 0 && sources_.size() == static_cast<std::size_t>(paths_.size());
    tail_ = error == 0 ? std::move(tail) : nullptr;
    if (error != 0 && !waiting_) readError_ = error;
    return tail_ != nullptr;
}

void LogFollower::poll() {
    if (!tail_ && waiting_) {
        auto tail = std::make_unique<FileTail>();
        if (tail->open(nativePath(path())) != 0) {
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
            // Read again from its start, alone: what came before it no longer leads up to it.
            store_.clear();
            reader_.reset();
            paths_ = QStringList{path()};
            sources_.clear();
            sources_.push_back({path(), 0, {}});
            ++restarts_;
            restarted = true;
        }
        if (read.rotated) {
            // Rotated: what was drawn stays, and the new file carries on from it.
            reader_.finish();
            sources_.back().rotated = std::move(read.rotatedFile);
            sources_.push_back({path(), store_.size(), {}});
        }
        reader_.feed(read.bytes);  // before the next poll, which reuses its buffer
        grew = grew || !read.bytes.empty();
        if (!read.more && sources_.size() < static_cast<std::size_t>(paths_.size())) read.more = openNextFile();
    } while (read.more && !slice.hasExpired(kReadSliceMs));
    if (!tail_) {
        emit samplesChanged(restarted);
        timer_.start(kPollMs);
        return;
    }
    bool settled = false;
    if (grew || restarted) {
        stillSince_.start();
    } else if (stillSince_.hasExpired(kSettleMs)) {
        settled = reader_.settlePartialLine();
    }
    // The end reached counts as a change too: an empty file must stop saying it is being read.
    const bool changed =
        restarted || grew || settled || nameGone_ != read.gone || readError_ != read.error || catchingUp_ != read.more;
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
