// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framereader.h"

#include "core/files/datalength.h"
#include "core/files/frameindex.h"
#include "core/frames/framerecord.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace Korvex {

FrameReaderSink::~FrameReaderSink() = default;

bool FrameReaderSink::proceed(qint64)
{
    return true;
}

bool FrameReaderSink::wantsFrames() const
{
    return false;
}

void FrameReaderSink::frame(const ScannedFrame &)
{
}

namespace {

// Bytes fetched from the device at a time.
constexpr qsizetype ChunkBytes = qsizetype(1) << 20;
// The most one frame can take: header word, time word and sixteen payload words.
constexpr qsizetype LargestFrame = 8 + 64;
// Frames, and tag-section bytes, between two calls of the sink's proceed().
constexpr qint64 FramesPerStep = 65536;
constexpr qint64 BytesPerStep = qint64(1) << 20;

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

/// What the reader keeps of a tag's name or value: its first TagTextChars characters (the
/// bytes taken as Latin-1) and the number of its bytes.
struct TagText
{
    QString text;
    qint64 bytes = 0;

    /// The text as the log shows it: a longer one cut, with its length.
    QString shown() const
    {
        if (bytes <= text.size())
            return text;
        return tr("%1\u2026 (%2 bytes)").arg(text, QString::number(bytes));
    }
};

/// The capture as a byte source: reads the file in large chunks and hands out bytes from
/// memory. Frames are decoded only once the chunk holds a whole frame or everything left, so
/// the decoder sees the same bytes and the same end of file as it would on the file itself.
/// A read that fails looks like the end of the file, and failed() tells it apart.
class ChunkedInput
{
public:
    /// Bytes from the file offset `start` on.
    ChunkedInput(const ReadFunction &read, quint64 start)
        : m_read(read)
        , m_offset(start)
        , m_fetched(start)
    {
    }

    bool atEnd() { return !ensure(1); }
    bool failed() const { return m_failed; }
    /// The system's reason for the failed read.
    QString error() const { return m_error; }

    /// The next byte; 0 once the end of the file is reached.
    char readByte()
    {
        if (!ensure(1))
            return 0;
        ++m_offset;
        return m_chunk.at(m_pos++);
    }

    /// Bytes up to the terminator, which is consumed but not returned. A byte whose reading
    /// reached the end of the file is consumed but not examined, so it is not returned either.
    /// Every byte returned also goes to `length`, when given.
    TagText readText(char terminator, DataLength *length = nullptr)
    {
        TagText tag;
        char c = readByte();
        while (!atEnd()) {
            if (c == terminator)
                break;
            if (tag.text.size() < TagTextChars)
                tag.text += QLatin1Char(c);
            if (length)
                length->add(c);
            ++tag.bytes;
            c = readByte();
        }
        return tag;
    }

    /// True when the one byte left in the file closes the DATA LIST tag.
    bool closingBraceOnly()
    {
        ensure(2);
        return m_chunk.size() - m_pos == 1 && m_chunk.at(m_pos) == '}';
    }

    /// The next frame's bytes: at least LargestFrame of them, or all that the file has left.
    const char *frameBytes(qint64 *available)
    {
        ensure(LargestFrame);
        *available = m_chunk.size() - m_pos;
        return m_chunk.constData() + m_pos;
    }

    void skip(qint64 bytes)
    {
        m_pos += bytes;
        m_offset += quint64(bytes);
    }

    quint64 offset() const { return m_offset; }

private:
    // True when at least `bytes` bytes are in memory; false when the file ends before that.
    bool ensure(qsizetype bytes)
    {
        while (m_chunk.size() - m_pos < bytes && !m_done)
            fetch();
        return m_chunk.size() - m_pos >= bytes;
    }

    void fetch()
    {
        m_chunk.remove(0, m_pos);
        m_pos = 0;
        const qsizetype kept = m_chunk.size();
        m_chunk.resize(kept + ChunkBytes);
        const qint64 got = m_read(m_fetched, m_chunk.data() + kept, ChunkBytes, &m_error);
        m_failed = got < 0;
        m_done = got <= 0;
        m_fetched += quint64(qMax<qint64>(got, 0));
        m_chunk.resize(kept + qMax<qint64>(got, 0));
    }

    const ReadFunction &m_read;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    quint64 m_offset = 0;
    quint64 m_fetched = 0;
    bool m_done = false;
    bool m_failed = false;
    QString m_error;
};

/// The per-frame progress value, (size - remaining) × 80 / size truncated, reported when it
/// changes. It is worked out only when the bytes counted pass the point where it can change.
class FrameProgress
{
public:
    FrameProgress(FrameReaderSink &sink, qint64 size)
        : m_sink(sink)
        , m_size(size)
    {
    }

    void counted(qint64 remaining)
    {
        if (m_size - remaining < m_next)
            return;
        const double share = m_size > 0 ? double(m_size - remaining) * 80 / double(m_size) : 0.0;
        const int value = int(std::clamp(share, 0.0, 100.0));
        if (value != m_last) {
            m_sink.progress(value);
            m_last = value;
        }
        nextStep();
    }

private:
    // A little before the first count of bytes at which the value can pass m_last. The first
    // frame always works it out: its value may lie below the 10 of the tag section.
    void nextStep()
    {
        m_next = m_size > 0 ? qint64(std::floor(double(m_last + 1) * double(m_size) / 80)) - 2 : 0;
    }

    FrameReaderSink &m_sink;
    qint64 m_size;
    int m_last = 10;
    qint64 m_next = 0;
};

// Payload bytes that a frame of the size code counts for progress, and the words it takes in
// the file; codes 7 and above are invalid frames.
constexpr int PayloadBytes[7] = {1, 4, 8, 12, 16, 32, 64};
constexpr int PayloadWords[7] = {1, 1, 2, 3, 4, 8, 16};

} // namespace

ReadOutcome readFrames(QIODevice &device, qint64 size, int protocolVersion,
                       FrameReaderSink &sink, FrameIndex *index, qint64 frameLimit)
{
    const ReadFunction read = [&device](quint64, char *buffer, qint64 length, QString *error) {
        const qint64 got = device.read(buffer, length);
        if (got < 0)
            *error = device.errorString();
        return got;
    };
    return readFrames(read, size, protocolVersion, sink, index, frameLimit);
}

ReadOutcome readFrames(const ReadFunction &read, qint64 size, int protocolVersion,
                       FrameReaderSink &sink, FrameIndex *index, qint64 frameLimit)
{
    ReadPosition start;
    return readFrames(start, ReadMode::WholeFile, read, size, protocolVersion, sink, index,
                      frameLimit);
}

namespace {

ReadOutcome readOn(ReadPosition &position, ReadMode mode, const ReadFunction &read, qint64 size,
                   int protocolVersion, FrameReaderSink &sink, FrameIndex *index,
                   qint64 frameLimit)
{
    const bool growing = mode == ReadMode::Growing;
    const bool resumed = position.inFrames;
    ChunkedInput input(read, resumed ? position.offset : 0);
    ReadOutcome outcome;
    qint64 count = position.frames;
    // Where the frames read whole end.
    quint64 framesEnd = position.offset;
    quint64 ticks = position.ticks;
    const auto readError = [&] {
        outcome.result = ReadResult::ReadError;
        outcome.frames = count;
        outcome.dataEnd = framesEnd;
        outcome.error = input.error();
        sink.proceed(count);
        return outcome;
    };
    // The end of what a growing file holds so far: the next read starts again from here.
    const auto pending = [&] {
        position.offset = framesEnd;
        position.frames = count;
        position.ticks = ticks;
        outcome.result = ReadResult::Pending;
        outcome.frames = count;
        outcome.dataStart = position.dataStart;
        outcome.dataEnd = framesEnd;
        sink.proceed(count);
        return outcome;
    };
    // A growing file's tag lines are held back until its tag section is whole, as it is read
    // again from the start until then.
    std::vector<std::pair<QString, LogLevel>> heldLines;
    const auto tagLog = [&](const QString &text, LogLevel level) {
        if (growing)
            heldLines.emplace_back(text, level);
        else
            sink.log(text, level);
    };
    const auto releaseTagLines = [&] {
        for (const auto &[text, level] : heldLines)
            sink.log(text, level);
        heldLines.clear();
    };
    qint64 remaining = size - qint64(position.offset);

    if (!resumed) {
        sink.progress(5);
        // The tag section: every tag is logged; the DATA LIST tag ends it.
        qint64 nextStep = BytesPerStep;
        bool whole = false;
        while (!input.atEnd()) {
            if (qint64(input.offset()) >= nextStep) {
                nextStep += BytesPerStep;
                if (!sink.proceed(0)) {
                    releaseTagLines();
                    sink.log(tr("Load cancelled after %1 frames.").arg(0), LogLevel::Warning);
                    outcome.result = ReadResult::Cancelled;
                    return outcome;
                }
            }
            --remaining;
            if (input.readByte() != '{')
                continue;
            DataLength length;
            const TagText name = input.readText(':', &length);
            if (input.failed())
                return readError();
            // A name or value that reached the end may go on in a growing file.
            if (growing && input.atEnd())
                return pending();
            remaining -= name.bytes;
            tagLog(tr("Found tag '%1'").arg(name.shown()), LogLevel::Info);
            if (!name.text.startsWith(QLatin1String("DATA LIST"))) {
                const TagText value = input.readText('}');
                if (input.failed())
                    return readError();
                if (growing && input.atEnd())
                    return pending();
                tagLog(tr("Tag value: %1").arg(value.shown()), LogLevel::Info);
                continue;
            }
            if (length.value() == 0) {
                releaseTagLines();
                sink.log(tr("Wrong data length (%1) in '%2' tag! File load aborted.")
                             .arg(length.value())
                             .arg(name.shown()),
                         LogLevel::Error);
                outcome.result = ReadResult::Aborted;
                return outcome;
            }
            --remaining;
            const char hash = input.readByte();
            if (input.failed())
                return readError();
            if (hash != '#' && growing && input.atEnd())
                return pending();
            releaseTagLines();
            if (hash != '#') {
                sink.log(tr("Missing # symbol in '%1' tag! File load aborted.").arg(name.shown()),
                         LogLevel::Error);
                outcome.result = ReadResult::Aborted;
                return outcome;
            }
            whole = true;
            break;
        }
        if (input.failed())
            return readError();
        if (growing && !whole)
            return pending();

        // The frame block.
        sink.progress(10);
        sink.log(tr("Parsing frames ..."), LogLevel::Info);
        position.inFrames = true;
        position.dataStart = input.offset();
        position.offset = input.offset();
        framesEnd = input.offset();
    }
    outcome.dataStart = position.dataStart;
    outcome.dataEnd = input.offset();
    FrameProgress progress(sink, size);
    const bool wantsFrames = sink.wantsFrames();
    const bool digRf3G = protocolVersion == 0;
    QString invalid;
    while (!input.atEnd()) {
        if (count % FramesPerStep == 0 && count > position.frames && index)
            index->publish(framesEnd);
        if (count % FramesPerStep == 0 && count > 0 && !sink.proceed(count)) {
            sink.log(tr("Load cancelled after %1 frames.").arg(count), LogLevel::Warning);
            outcome.result = ReadResult::Cancelled;
            outcome.frames = count;
            outcome.dataEnd = input.offset();
            return outcome;
        }
        if (input.closingBraceOnly()) {
            // In a growing file it may be the first byte of a frame.
            if (growing)
                return pending();
            break;
        }
        if (count >= frameLimit) {
            outcome.result = ReadResult::Limited;
            break;
        }

        qint64 available = 0;
        const char *bytes = input.frameBytes(&available);
        const quint32 header = available >= 4 ? qFromLittleEndian<quint32>(bytes) : 0;
        const quint32 code = (header >> 5) & 0xFF;
        // Past a failed read only a frame wholly read before it counts.
        const qint64 whole = !digRf3G ? 8 : code < 7 ? 8 + 4 * PayloadWords[code] : 0;
        if (input.failed() && (whole == 0 || available < whole))
            break;
        // A frame of a growing file is read once its bytes are all there; an invalid one
        // once its header and time words are.
        if (growing && available < (!digRf3G ? 8 : available < 4 ? 4 : whole > 0 ? whole : 8))
            return pending();
        qint64 length = 0;
        if (!digRf3G) {
            // Header and time word only; a frame cut short by the end of the file still counts.
            length = qMin<qint64>(8, available);
        } else if (code < 7 && available >= whole) {
            length = whole;
        } else {
            // An invalid frame: the decoder says why, and how many bytes it took.
            qint64 taken = 0;
            const FrameRecord record(protocolVersion, bytes, available, &taken);
            input.skip(taken);
            remaining = qMax<qint64>(0, remaining - record.serializedSize());
            progress.counted(remaining);
            invalid = record.errorText();
            break;
        }

        // The file holds each frame's distance to the one before; the table shows the time
        // since the first frame.
        const quint32 delta = available >= 8 ? qFromLittleEndian<quint32>(bytes + 4) : 0;
        ticks = count == 0 ? 0 : ticks + delta;
        if (index)
            index->append(quint8(digRf3G ? header & 0xFF : 0), input.offset(), ticks);
        if (wantsFrames)
            sink.frame({count, input.offset(), ticks, bytes, length});
        input.skip(length);
        framesEnd = input.offset();
        ++count;
        // A record that is not DigRF 3G counts no bytes.
        if (digRf3G)
            remaining = qMax<qint64>(0, remaining - 8 - PayloadBytes[code]);
        progress.counted(remaining);
    }
    if (input.failed())
        return readError();
    if (growing && invalid.isEmpty() && outcome.result != ReadResult::Limited)
        return pending();
    position.offset = input.offset();
    position.frames = count;
    position.ticks = ticks;
    outcome.frames = count;
    outcome.dataEnd = input.offset();
    sink.proceed(count);
    if (!invalid.isEmpty()) {
        sink.log(tr("Found invalid frame: %1. No further frames will be loaded.").arg(invalid),
                 LogLevel::Warning);
    }
    if (outcome.result == ReadResult::Limited) {
        sink.log(tr("The capture holds more frames than can be shown; the first %1 frames "
                    "are loaded.")
                     .arg(count),
                 LogLevel::Warning);
        sink.progress(85);
        sink.log(tr("%1 frames loaded.").arg(count), LogLevel::Info);
        return outcome;
    }
    sink.progress(85);

    // What follows the frames: normally nothing, or the brace that closes the DATA LIST tag.
    char c = input.readByte();
    qint64 ignored = 0;
    if (!input.atEnd()) {
        for (;;) {
            c = input.readByte();
            if (c == '}')
                break;
            ++ignored;
            if (input.atEnd())
                break;
        }
    }
    const bool atEnd = input.atEnd();
    if (input.failed())
        return readError();
    if (ignored > 0)
        sink.log(tr("%1 bytes ignored after last frame.").arg(ignored), LogLevel::Warning);
    if (!atEnd)
        sink.log(tr("Found data after 'DATA LIST' tag. It's ignored."), LogLevel::Warning);
    else if (c != '}')
        sink.log(tr("Tag 'DATA LIST' is open and EOF reached!"), LogLevel::Info);
    sink.log(tr("%1 frames loaded.").arg(count), LogLevel::Info);
    return outcome;
}

} // namespace

ReadOutcome readFrames(ReadPosition &position, ReadMode mode, const ReadFunction &read,
                       qint64 size, int protocolVersion, FrameReaderSink &sink,
                       FrameIndex *index, qint64 frameLimit)
{
    const ReadOutcome outcome =
        readOn(position, mode, read, size, protocolVersion, sink, index, frameLimit);
    if (index)
        index->publish(outcome.dataEnd);
    return outcome;
}

} // namespace Korvex
