// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/capture.h"

#include "core/files/capturefile.h"
#include "core/files/frameblock.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Korvex {

namespace {

/// The file's size and time of last change: when either differs from what they were, what was
/// read of the file may no longer be what it holds.
struct FileStamp
{
    qint64 size = -1;
    qint64 modified = 0;

    bool operator==(const FileStamp &other) const
    {
        return size == other.size && modified == other.modified;
    }
};

// The size and time of the open file, from its descriptor: safe from any thread, unlike
// QFile::size(), which keeps what it found.
FileStamp stampOf(const QFile &file)
{
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat status;
    if (::fstat(file.handle(), &status) == 0) {
        stamp.size = qint64(status.st_size);
        stamp.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    }
#else
    stamp.size = file.size();
    stamp.modified = file.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
#endif
    return stamp;
}

} // namespace

/// A block of frames read back from the file.
struct Capture::Block
{
    FrameBlock frames;
    QByteArray bytes;
    // Read whole from the file as it was then.
    bool whole = false;
    FileStamp stamp;
};

namespace {

// The most of the tag section, and the number of first frames, that are compared with the
// file at every read (as far as the file still holds them).
constexpr quint64 HeadTagBytes = 4096;
constexpr qint64 HeadFrames = 8;

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

/// Records every line of the load into the capture's log and hands it on.
class RecordingSink final : public FrameReaderSink
{
public:
    /// Without an index the frames' lines are not kept; `logged` frames have their lines.
    RecordingSink(FrameReaderSink &sink, LogLines &log, std::shared_ptr<const FrameIndex> index,
                  qint64 logged = 0)
        : m_sink(sink)
        , m_log(log)
        , m_index(std::move(index))
        , m_logged(logged)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        m_log.append(text, level);
        m_sink.log(text, level);
    }
    void progress(int value) override { m_sink.progress(value); }
    bool proceed(qint64 framesRead) override
    {
        if (m_index)
            m_log.appendFrames(m_index, m_logged, framesRead - m_logged);
        m_logged = framesRead;
        return m_sink.proceed(framesRead);
    }
    bool wantsFrames() const override { return m_sink.wantsFrames(); }
    void frame(const ScannedFrame &frame) override { m_sink.frame(frame); }

private:
    FrameReaderSink &m_sink;
    LogLines &m_log;
    std::shared_ptr<const FrameIndex> m_index;
    qint64 m_logged;
};

} // namespace

Capture::Capture(const QString &fileName)
    : m_fileName(fileName)
    , m_file(fileName)
    , m_index(std::make_shared<FrameIndex>(protocolVersionOf(fileName)))
    , m_log(std::make_shared<LogLines>())
{
}

Capture::~Capture() = default;

Capture::Status Capture::load(FrameReaderSink &sink)
{
    return open(sink) ? read(sink) : m_status.load();
}

bool Capture::open(FrameReaderSink &sink)
{
    RecordingSink recording(sink, *m_log, m_index);
    recording.log(protocolVersionLogText(protocolVersion()), LogLevel::Info);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        recording.log(cannotOpenLogText(m_fileName), LogLevel::Error);
        recording.log(m_file.errorString(), LogLevel::Error);
        m_status = Status::CannotOpen;
        return false;
    }
    recording.log(openedLogText(m_fileName), LogLevel::Info);
    return true;
}

Capture::Status Capture::scan(FrameReaderSink &sink, qint64 frameLimit)
{
    return open(sink) ? readInto(sink, false, frameLimit) : m_status.load();
}

Capture::Status Capture::read(FrameReaderSink &sink)
{
    return readInto(sink, true, m_frameLimit);
}

Capture::Status Capture::readInto(FrameReaderSink &sink, bool indexed, qint64 frameLimit)
{
    RecordingSink recording(sink, *m_log, indexed ? m_index : nullptr);
    // Read with positioned reads, as the frames are read back later.
    const ReadFunction read = [this](quint64 offset, char *buffer, qint64 length, QString *error) {
        return readRaw(offset, buffer, length, error);
    };
    const ReadOutcome outcome = readFrames(read, m_file.size(), protocolVersion(), recording,
                                           indexed ? m_index.get() : nullptr, frameLimit);
    if (!indexed)
        m_index->publish(outcome.dataEnd);
    settle(outcome, recording);
    if (indexed)
        keepHead(outcome.dataStart);
    return m_status;
}

Capture::Status Capture::readNewBytes(FrameReaderSink &sink)
{
    if ((m_status != Status::NotLoaded && m_status != Status::Following) || !m_file.isOpen())
        return m_status;
    const qint64 size = stampOf(m_file).size;
    if (changedWhileFollowed(size))
        return m_status;
    if (m_status == Status::Following && size == m_followedSize)
        return m_status;
    return readGrowing(sink, ReadMode::Growing, size);
}

Capture::Status Capture::finish(FrameReaderSink &sink)
{
    if (m_status != Status::Following)
        return m_status;
    const qint64 size = stampOf(m_file).size;
    if (changedWhileFollowed(size))
        return m_status;
    return readGrowing(sink, ReadMode::WholeFile, size);
}

namespace {

/// Keeps the lines a read logs, with those of the frames it finds that a growing file's read
/// left (a DigRF v4 frame cut short by the end counts).
class ClosingSink final : public FrameReaderSink
{
public:
    explicit ClosingSink(int protocolVersion)
        : m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &text, LogLevel level) override { lines.append({text, level}); }
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        const int payload = m_protocolVersion != 0
                                ? 0
                                : int(FrameRecord(0, frame.bytes, frame.length).payload().size());
        lines.append({LogLines::frameLine(frame.number + 1, payload), LogLevel::Info});
    }

    QList<LogLines::Line> lines;

private:
    int m_protocolVersion;
};

} // namespace

QList<LogLines::Line> Capture::closingLines() const
{
    if (m_status != Status::Following)
        return {};
    const qint64 size = m_followedSize;
    const ReadFunction read = readUpTo(size);
    // A copy of where following got to, read on as the whole file without an index.
    ReadPosition position = m_position;
    ClosingSink sink(protocolVersion());
    readFrames(position, ReadMode::WholeFile, read, size, protocolVersion(), sink, nullptr,
               m_frameLimit);
    return sink.lines;
}

bool Capture::changedWhileFollowed(qint64 size)
{
    if (size >= m_followedSize && headIntact())
        return false;
    m_replaced = true;
    report(Replaced,
           tr("The file %1 was changed by another program; reload it to see its frames.")
               .arg(m_fileName),
           LogLevel::Error);
    m_status = Status::Changed;
    return true;
}

ReadFunction Capture::readUpTo(qint64 size) const
{
    return [this, size](quint64 offset, char *buffer, qint64 length, QString *error) -> qint64 {
        if (offset >= quint64(size))
            return 0;
        return readRaw(offset, buffer, qMin(length, size - qint64(offset)), error);
    };
}

Capture::Status Capture::readGrowing(FrameReaderSink &sink, ReadMode mode, qint64 size)
{
    m_followedSize = size;
    RecordingSink recording(sink, *m_log, m_index, m_position.frames);
    // Only the bytes there were when the step began, so that it ends even while the file grows.
    const ReadFunction read = readUpTo(size);
    const ReadOutcome outcome = readFrames(m_position, mode, read, size, protocolVersion(),
                                           recording, m_index.get(), m_frameLimit);
    if (outcome.result == ReadResult::Pending)
        m_status = Status::Following;
    else
        settle(outcome, recording);
    if (m_headCount < HeadFrames && frameCount() > m_headCount)
        keepHead(outcome.dataStart);
    return m_status;
}

Capture::Status Capture::settle(const ReadOutcome &outcome, FrameReaderSink &recording)
{
    switch (outcome.result) {
    case ReadResult::Complete:
        m_status = Status::Loaded;
        break;
    case ReadResult::Aborted:
        m_status = Status::Aborted;
        break;
    case ReadResult::Cancelled:
        m_status = Status::Cancelled;
        break;
    case ReadResult::Limited:
        m_status = Status::Limited;
        break;
    case ReadResult::ReadError:
        m_status = Status::ReadError;
        // Said by the load; later reads that fail say nothing new.
        m_said |= ReadFailed;
        recording.log(readErrorText(outcome.error), LogLevel::Error);
        break;
    case ReadResult::Pending:
        m_status = Status::Following;
        break;
    }
    return m_status;
}

QString Capture::readErrorText(const QString &reason) const
{
    return tr("Cannot read %1: %2").arg(m_fileName, reason);
}

qint64 Capture::readRaw(quint64 offset, char *buffer, qint64 length, QString *error) const
{
    if (m_read)
        return m_read(offset, buffer, length, error);
#ifdef Q_OS_UNIX
    // A positioned read leaves no position behind, so readers never disturb one another.
    for (;;) {
        const ssize_t got = ::pread(m_file.handle(), buffer, size_t(length), off_t(offset));
        if (got >= 0)
            return got;
        if (errno != EINTR) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return -1;
        }
    }
#else
    const qint64 got = m_file.seek(qint64(offset)) ? m_file.read(buffer, length) : -1;
    if (got < 0)
        *error = m_file.errorString();
    return got;
#endif
}

qint64 Capture::readFully(quint64 offset, char *buffer, qint64 length, QString *error) const
{
    qint64 done = 0;
    while (done < length) {
        const qint64 got = readRaw(offset + quint64(done), buffer + done, length - done, error);
        if (got < 0) {
            if (error->isEmpty())
                *error = tr("unknown error");
            break;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 Capture::readAt(quint64 offset, char *buffer, qint64 length) const
{
    if (!m_file.isOpen() || length <= 0 || m_replaced)
        return 0;
    QString error;
    const qint64 done = readFully(offset, buffer, length, &error);
    if (!error.isEmpty()) {
        report(ReadFailed, readErrorText(error), LogLevel::Error);
        return done;
    }
    // Checked after the read: bytes read from another capture are never handed out.
    if (!headIntact()) {
        m_replaced = true;
        report(Replaced,
               tr("The file %1 was changed by another program; reload it to see its frames.")
                   .arg(m_fileName),
               LogLevel::Error);
        return 0;
    }
    if (done < length)
        reportCut();
    return done;
}

void Capture::keepHead(quint64 dataStart)
{
    const qint64 count = frameCount();
    const quint64 dataEnd = this->dataEnd();
    m_headCount = qMin(HeadFrames, count);
    std::shared_ptr<const QByteArray> head;
    const quint64 headTags = qMin(dataStart, HeadTagBytes);
    quint64 end = dataStart;
    for (qint64 n = 0; n < m_headCount; ++n)
        end += quint64(FrameBlock::length(*m_index, n, end, dataEnd));
    const quint64 headFrames = end - dataStart;
    const qint64 firstFrameBytes =
        count > 0 ? FrameBlock::length(*m_index, 0, dataStart, dataEnd) : 0;
    if (count > 0) {
        QByteArray bytes(qsizetype(headTags + headFrames), Qt::Uninitialized);
        QString error;
        if (readFully(0, bytes.data(), qint64(headTags), &error) == qint64(headTags)
            && readFully(dataStart, bytes.data() + headTags, qint64(headFrames), &error)
                   == qint64(headFrames))
            head = std::make_shared<const QByteArray>(bytes);
    }
    const std::lock_guard<std::mutex> hold(m_headLock);
    m_dataStart = dataStart;
    m_headTags = headTags;
    m_headFrames = headFrames;
    m_firstFrameBytes = firstFrameBytes;
    m_head = head;
}

bool Capture::headIntact() const
{
    std::unique_lock<std::mutex> hold(m_headLock);
    const std::shared_ptr<const QByteArray> head = m_head;
    const quint64 headTags = m_headTags;
    const quint64 headFrames = m_headFrames;
    const quint64 dataStart = m_dataStart;
    const qint64 firstFrameBytes = m_firstFrameBytes;
    hold.unlock();
    if (!head || head->isEmpty())
        return true;
    QByteArray now(head->size(), Qt::Uninitialized);
    QString error;
    const qint64 tags = readFully(0, now.data(), qint64(headTags), &error);
    const qint64 frames = tags == qint64(headTags)
                              ? readFully(dataStart, now.data() + tags, qint64(headFrames), &error)
                              : 0;
    if (!error.isEmpty()) {
        report(ReadFailed, readErrorText(error), LogLevel::Error);
        return true;
    }
    // A file cut short inside the first frames keeps what is left of them; one that no longer
    // holds its first frame is another file.
    const qint64 kept = qint64(headTags) + frames;
    return tags == qint64(headTags) && frames >= firstFrameBytes
           && std::memcmp(now.constData(), head->constData(), size_t(kept)) == 0;
}

qint64 Capture::firstFrameBeyond(quint64 fileSize) const
{
    const qint64 count = frameCount();
    const quint64 dataEnd = this->dataEnd();
    if (count == 0)
        return 0;
    // Checkpoints lie in file order: the last one that starts within the file.
    qint64 low = 0;
    qint64 high = (count - 1) / FrameIndex::CheckpointEvery + 1;
    while (high - low > 1) {
        const qint64 middle = (low + high) / 2;
        if (m_index->checkpoint(middle * FrameIndex::CheckpointEvery).offset <= fileSize)
            low = middle;
        else
            high = middle;
    }
    qint64 n = low * FrameIndex::CheckpointEvery;
    quint64 offset = m_index->checkpoint(n).offset;
    for (; n < count; ++n) {
        offset += quint64(FrameBlock::length(*m_index, n, offset, dataEnd));
        if (offset > fileSize)
            return n;
    }
    return count;
}

void Capture::reportCut() const
{
    if (m_said & CutShort)
        return;
    const qint64 first = firstFrameBeyond(quint64(qMax<qint64>(0, stampOf(m_file).size)));
    const qint64 count = frameCount();
    if (first >= count)
        return;
    const QString text =
        first == count - 1
            ? tr("Frame %1 is no longer in the file %2.").arg(first).arg(m_fileName)
            : tr("Frames %1 to %2 (%L3 frames) are no longer in the file %4.")
                  .arg(first)
                  .arg(count - 1)
                  .arg(count - first)
                  .arg(m_fileName);
    report(CutShort, text, LogLevel::Warning);
}

void Capture::report(Reason reason, const QString &text, LogLevel level) const
{
    if (m_said.fetch_or(reason) & reason)
        return;
    m_log->append(text, level);
    if (m_listener)
        m_listener(text, level);
}

const Capture::Block &Capture::block(qint64 n) const
{
    const qint64 first = FrameBlock::firstOf(n);
    const qint64 end = frameCount();
    const quint64 dataEnd = this->dataEnd();
    // A file written since the block was read (cut short, overwritten) is read again: what
    // is left of the frames, or that they are all gone, shows at once.
    const FileStamp stamp = stampOf(m_file);
    std::unique_ptr<Block> *slot = nullptr;
    for (std::unique_ptr<Block> &cached : m_cache) {
        if (cached && cached->frames.first == first && cached->frames.count > 0) {
            // A block read before more frames were published is laid out again.
            if (cached->whole && cached->stamp == stamp && !m_replaced
                && n < first + cached->frames.count)
                return *cached;
            slot = &cached;
        }
    }
    if (!slot) {
        slot = &m_cache[std::size_t(m_nextEvicted)];
        m_nextEvicted = (m_nextEvicted + 1) % CachedBlocks;
    }
    if (!*slot)
        *slot = std::make_unique<Block>();
    Block &block = **slot;
    const quint64 offset = m_index->checkpoint(first).offset;
    const qint64 extent = FrameBlock::extent(*m_index, first, end, dataEnd);
    block.bytes.resize(extent);
    const qint64 got = readAt(offset, block.bytes.data(), extent);
    block.frames.layOut(*m_index, first, end, block.bytes.constData(), got, dataEnd);
    // A block read short (a failed read, a file cut short) is read again when next asked for.
    block.whole = got == extent;
    block.stamp = stamp;
    return block;
}

bool Capture::isMissing(qint64 n) const
{
    const std::lock_guard<std::mutex> hold(m_cacheLock);
    const Block &b = block(n);
    return n - b.frames.first >= b.frames.present;
}

quint64 Capture::ticks(qint64 n) const
{
    const std::lock_guard<std::mutex> hold(m_cacheLock);
    const Block &b = block(n);
    const int k = int(n - b.frames.first);
    return k < b.frames.present ? b.frames.ticks[std::size_t(k)] : 0;
}

FrameRecord Capture::frame(qint64 n) const
{
    const std::lock_guard<std::mutex> hold(m_cacheLock);
    const Block &b = block(n);
    const auto k = std::size_t(n - b.frames.first);
    if (int(k) >= b.frames.present)
        return decode(n, nullptr, 0, 0);
    return decode(n, b.bytes.constData() + b.frames.starts[k], b.frames.lengths[k],
                  b.frames.ticks[k]);
}

FrameRecord Capture::decode(qint64 n, const char *bytes, qint64 length, quint64 ticks) const
{
    if (bytes) {
        FrameRecord record(protocolVersion(), bytes, length);
        record.setTime(ticks);
        return record;
    }
    // What the index knows of it: the header fields.
    FrameRecord record = FrameRecord::missing(protocolVersion());
    if (protocolVersion() == 0) {
        const FrameHeader header = m_index->fields(n);
        record.setPayloadSizeCode(header.payloadSizeCode);
        record.setChannelType(header.channelType);
        record.setCtsBit(header.ctsBit);
    }
    return record;
}

void Capture::setLogListener(std::function<void(const QString &, LogLevel)> listener)
{
    m_listener = std::move(listener);
}

} // namespace Korvex
