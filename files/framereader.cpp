#include "files/framereader.h"

#include "files/unsigneddecimal.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>

#include <algorithm>
#include <optional>

namespace Korvex {

FrameReaderSink::~FrameReaderSink() = default;

namespace {

// Bytes fetched from the file at a time.
constexpr qsizetype ChunkBytes = qsizetype(1) << 20;
// The most one frame can take: header word, time word and sixteen payload words.
constexpr qsizetype LargestFrame = 8 + 64;

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

/// The log line of every accepted frame, "Frame %1: payload size %2 bytes", filled in without
/// parsing the pattern again for each of a million frames.
class FrameLineText
{
public:
    explicit FrameLineText(const QString &pattern)
        : m_pattern(pattern)
        , m_first(pattern.indexOf(QLatin1String("%1")))
        , m_second(pattern.indexOf(QLatin1String("%2")))
    {
        // A pattern with its markers in another order or with more of them takes QString::arg.
        m_simple = m_first >= 0 && m_second > m_first + 1 && pattern.count(QLatin1Char('%')) == 2;
    }

    QString text(int count, int bytes) const
    {
        if (!m_simple)
            return m_pattern.arg(count).arg(bytes);
        Number first(count);
        Number second(bytes);
        QString line(m_pattern.size() - 4 + first.size() + second.size(), Qt::Uninitialized);
        QChar *out = line.data();
        const QChar *pattern = m_pattern.constData();
        out = std::copy(pattern, pattern + m_first, out);
        out = std::copy(first.begin(), first.end(), out);
        out = std::copy(pattern + m_first + 2, pattern + m_second, out);
        out = std::copy(second.begin(), second.end(), out);
        std::copy(pattern + m_second + 2, pattern + m_pattern.size(), out);
        return line;
    }

private:
    /// The decimal digits of a number, as QString::arg writes them.
    class Number
    {
    public:
        explicit Number(int value)
        {
            quint32 magnitude = value < 0 ? 0u - quint32(value) : quint32(value);
            do {
                m_digits[--m_start] = QChar(u'0' + int(magnitude % 10));
                magnitude /= 10;
            } while (magnitude != 0);
            if (value < 0)
                m_digits[--m_start] = QChar(u'-');
        }
        const QChar *begin() const { return m_digits + m_start; }
        const QChar *end() const { return m_digits + Size; }
        qsizetype size() const { return Size - m_start; }

    private:
        static constexpr int Size = 12;
        QChar m_digits[Size];
        int m_start = Size;
    };

    QString m_pattern;
    qsizetype m_first;
    qsizetype m_second;
    bool m_simple = false;
};

/// The capture as a byte source: reads the file in large chunks and decodes frames from memory,
/// so that a frame costs no file access of its own. A frame is decoded only once the chunk
/// holds a whole frame or everything left in the file, so the decoder sees the same bytes and
/// the same end of file as it would on the file itself.
class ChunkedInput
{
public:
    ChunkedInput(QIODevice *device, QDataStream::ByteOrder byteOrder)
        : m_device(device)
    {
        m_buffer.setBuffer(&m_chunk);
        m_buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        m_stream.setDevice(&m_buffer);
        m_stream.setByteOrder(byteOrder);
        m_stream.setVersion(QDataStream::Qt_4_0);
    }

    bool atEnd() { return !ensure(1); }

    /// The next byte; 0 once the end of the file is reached.
    char readByte()
    {
        if (!ensure(1))
            return 0;
        return m_chunk.at(m_pos++);
    }

    /// Bytes up to the terminator, which is consumed but not returned. A byte whose reading
    /// reached the end of the file is consumed but not examined, so it is not returned either.
    QString readText(char terminator)
    {
        QString text;
        char c = readByte();
        while (!atEnd()) {
            if (c == terminator)
                break;
            text += QLatin1Char(c);
            c = readByte();
        }
        return text;
    }

    /// True when the one byte left in the file closes the DATA LIST tag.
    bool closingBraceOnly()
    {
        ensure(2);
        return m_chunk.size() - m_pos == 1 && m_chunk.at(m_pos) == '}';
    }

    FrameRecord *readFrame(int protocolVersion)
    {
        ensure(LargestFrame);
        m_buffer.seek(m_pos);
        auto *record = new FrameRecord(protocolVersion, m_stream);
        m_pos = m_buffer.pos();
        return record;
    }

private:
    // True when at least `bytes` bytes are in memory; false when the file ends before that.
    bool ensure(qsizetype bytes)
    {
        while (m_chunk.size() - m_pos < bytes && !m_deviceDone)
            fetch();
        return m_chunk.size() - m_pos >= bytes;
    }

    void fetch()
    {
        m_chunk.remove(0, m_pos);
        m_pos = 0;
        const qsizetype kept = m_chunk.size();
        m_chunk.resize(kept + ChunkBytes);
        const qint64 got = m_device ? m_device->read(m_chunk.data() + kept, ChunkBytes) : -1;
        if (got <= 0)
            m_deviceDone = true;
        m_chunk.resize(kept + qMax<qint64>(got, 0));
        m_buffer.seek(0);
    }

    QIODevice *m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    bool m_deviceDone = false;
    QBuffer m_buffer;
    QDataStream m_stream;
};

} // namespace

int readFrames(QDataStream &in, qint64 size, int protocolVersion, FrameList &frames,
               FrameReaderSink &sink)
{
    in.setVersion(QDataStream::Qt_4_0);
    ChunkedInput input(in.device(), in.byteOrder());
    sink.progress(5);
    qint64 remaining = size;

    // The tag section: every tag is logged; the DATA LIST tag ends it.
    while (!input.atEnd()) {
        --remaining;
        if (input.readByte() != '{')
            continue;
        const QString name = input.readText(':');
        remaining -= name.size();
        sink.log(tr("Found tag '%1'").arg(name), LogLevel::Info);
        if (!name.startsWith(QLatin1String("DATA LIST"))) {
            sink.log(tr("Tag value: %1").arg(input.readText('}')), LogLevel::Info);
            continue;
        }
        // The length is the text after the last hyphen, digits only (the name's characters are
        // its bytes); any other text, and a number past 32 bits, is no length.
        const qsizetype hyphen = name.lastIndexOf(QLatin1Char('-'));
        const std::optional<quint64> number =
            hyphen < 0 ? std::nullopt : parseUnsignedDecimal(name.mid(hyphen + 1).toLatin1());
        const uint length = number && *number <= 0xFFFFFFFFu ? uint(*number) : 0u;
        if (length == 0) {
            sink.log(tr("Wrong data length (%1) in '%2' tag! File load aborted.")
                         .arg(length)
                         .arg(name),
                     LogLevel::Error);
            return -1;
        }
        --remaining;
        if (input.readByte() != '#') {
            sink.log(tr("Missing # symbol in '%1' tag! File load aborted.").arg(name),
                     LogLevel::Error);
            return -1;
        }
        break;
    }

    // The frame block.
    sink.progress(10);
    sink.log(tr("Parsing frames ..."), LogLevel::Info);
    const FrameLineText frameText(tr("Frame %1: payload size %2 bytes"));
    int lastProgress = 10;
    int count = 0;
    const FrameRecord *previous = nullptr;
    if (!input.atEnd()) {
        do {
            if (input.closingBraceOnly())
                break;
            FrameRecord *record = input.readFrame(protocolVersion);
            // A frame cut short by the end of the file counts only the bytes the file still had:
            // the count never passes the file's size, so the value stays at most 80 and never
            // falls back.
            remaining = qMax<qint64>(0, remaining - record->serializedSize());
            const double share = size > 0 ? double(size - remaining) * 80 / double(size) : 0.0;
            const int value = int(std::clamp(share, 0.0, 100.0));
            if (value != lastProgress) {
                sink.progress(value);
                lastProgress = value;
            }

            // The file holds each frame's distance to the one before; the table shows the time
            // since the first frame.
            record->setTime(count == 0 ? 0 : record->time() + previous->time());
            if (!record->isValid()) {
                sink.log(tr("Found invalid frame: %1. No further frames will be loaded.")
                             .arg(record->errorText()),
                         LogLevel::Warning);
                delete record;
                break;
            }
            ++count;
            sink.log(frameText.text(count, record->payloadSizeBits() / 8), LogLevel::Info);
            frames.append(record);
            previous = record;
        } while (!input.atEnd());
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
    if (ignored > 0)
        sink.log(tr("%1 bytes ignored after last frame.").arg(ignored), LogLevel::Warning);
    if (!input.atEnd())
        sink.log(tr("Found data after 'DATA LIST' tag. It's ignored."), LogLevel::Warning);
    else if (c != '}')
        sink.log(tr("Tag 'DATA LIST' is open and EOF reached!"), LogLevel::Info);
    sink.log(tr("%1 frames loaded.").arg(count), LogLevel::Info);
    return 0;
}

} // namespace Korvex
