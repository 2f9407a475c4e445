#include "core/files/capture.h"

#include "core/files/capturefile.h"
#include "core/files/frameblock.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Korvex {

/// A block of frames read back from the file.
struct Capture::Block
{
    FrameBlock frames;
    QByteArray bytes;
    // Where the block ends in the file.
    quint64 end = 0;
};

namespace {

/// Records every line of the load into the capture's log and hands it on.
class RecordingSink final : public FrameReaderSink
{
public:
    /// Without an index the frames' lines are not kept.
    RecordingSink(FrameReaderSink &sink, LogLines &log, std::shared_ptr<const FrameIndex> index)
        : m_sink(sink)
        , m_log(log)
        , m_index(std::move(index))
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
    qint64 m_logged = 0;
};

} // namespace

Capture::Capture(const QString &fileName)
    : m_fileName(fileName)
    , m_file(fileName)
    , m_index(std::make_shared<FrameIndex>(protocolVersionOf(fileName)))
    , m_log(std::make_shared<LogLines>())
    , m_frameLimit(std::numeric_limits<int>::max())
{
}

Capture::~Capture() = default;

Capture::Status Capture::load(FrameReaderSink &sink)
{
    return open(sink) ? read(sink) : m_status;
}

bool Capture::open(FrameReaderSink &sink)
{
    RecordingSink recording(sink, *m_log, m_index);
    recording.log(protocolVersionLogText(protocolVersion()), LogLevel::Info);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        recording.log(cannotOpenLogText(m_fileName), LogLevel::Error);
        m_status = Status::CannotOpen;
        return false;
    }
    recording.log(openedLogText(m_fileName), LogLevel::Info);
    return true;
}

Capture::Status Capture::scan(FrameReaderSink &sink)
{
    return open(sink) ? readInto(sink, false) : m_status;
}

Capture::Status Capture::read(FrameReaderSink &sink)
{
    return readInto(sink, true);
}

Capture::Status Capture::readInto(FrameReaderSink &sink, bool indexed)
{
    RecordingSink recording(sink, *m_log, indexed ? m_index : nullptr);
    // Frames are read back with positioned reads, which leave the file's position alone.
    m_file.seek(0);
    const ReadOutcome outcome = readFrames(m_file, m_file.size(), protocolVersion(), recording,
                                           indexed ? m_index.get() : nullptr, m_frameLimit);
    m_dataEnd = outcome.dataEnd;
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
    }
    return m_status;
}

qint64 Capture::readAt(quint64 offset, char *buffer, qint64 length) const
{
    if (!m_file.isOpen() || length <= 0)
        return 0;
#ifdef Q_OS_UNIX
    // A positioned read leaves no position behind, so readers never disturb one another.
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::pread(m_file.handle(), buffer + done, size_t(length - done),
                                    off_t(offset + quint64(done)));
        if (got <= 0)
            break;
        done += got;
    }
    return done;
#else
    if (!m_file.seek(qint64(offset)))
        return 0;
    return qMax<qint64>(0, m_file.read(buffer, length));
#endif
}

const Capture::Block &Capture::block(qint64 n) const
{
    const qint64 first = FrameBlock::firstOf(n);
    // A file cut short since the block was read has lost (some of) its frames.
    const quint64 fileSize = quint64(qMax<qint64>(0, m_file.size()));
    std::unique_ptr<Block> *slot = nullptr;
    for (std::unique_ptr<Block> &cached : m_cache) {
        if (cached && cached->frames.first == first && cached->frames.count > 0) {
            if (cached->end <= fileSize)
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
    const qint64 extent = FrameBlock::extent(*m_index, first, m_dataEnd);
    block.bytes.resize(extent);
    const qint64 got = readAt(offset, block.bytes.data(), extent);
    block.frames.layOut(*m_index, first, block.bytes.constData(), got, m_dataEnd);
    block.end = offset + quint64(extent);
    return block;
}

bool Capture::isMissing(qint64 n) const
{
    const Block &b = block(n);
    const bool missing = n - b.frames.first >= b.frames.present;
    if (missing)
        reportMissing(n);
    return missing;
}

quint64 Capture::ticks(qint64 n) const
{
    const Block &b = block(n);
    const int k = int(n - b.frames.first);
    if (k >= b.frames.present) {
        reportMissing(n);
        return 0;
    }
    return b.frames.ticks[std::size_t(k)];
}

FrameRecord Capture::frame(qint64 n) const
{
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
    reportMissing(n);
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

void Capture::reportMissing(qint64 n) const
{
    if (m_missingReported >= 0)
        return;
    m_missingReported = n;
    const QString text =
        QCoreApplication::translate("Framescope",
                                    "Frame %1 and frames after it are no longer in the file %2.")
            .arg(n)
            .arg(m_fileName);
    m_log->append(text, LogLevel::Warning);
    if (m_listener)
        m_listener(text, LogLevel::Warning);
}

} // namespace Korvex
