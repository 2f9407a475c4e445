// SPDX-License-Identifier: GPL-3.0-or-later
// The capture reader over arbitrary bytes, read as a DigRF 3G or as a DigRF v4 capture.
// Checks that whatever the file holds the reader returns 0 or -1, keeps only valid frames,
// logs only its own texts at their levels, reports progress that stays within 0 to 100 and
// never counts more bytes than the file has, and gives the same result as the load steps
// carried out one by one on the whole file, also when the file arrives in small pieces.

#include "fuzzcheck.h"

#include "core/files/frameblock.h"
#include "core/files/frameindex.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"
#include "core/frames/framerecord.h"

#include <QBuffer>
#include <QDataStream>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

using namespace Korvex;

namespace {

/// Everything the reader reports, in order, each frame's line in its place; and the log as a
/// capture keeps it, with the frames' lines made from the index.
class RecordingSink final : public FrameReaderSink
{
public:
    RecordingSink(std::shared_ptr<const FrameIndex> index)
        : index(std::move(index))
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        lines.append(text);
        levels.append(level);
        kept.append(text, level);
    }
    void progress(int value) override { values.append(value); }
    bool proceed(qint64 framesRead) override
    {
        FUZZ_CHECK(framesRead >= logged, QStringLiteral("frames read went back"));
        kept.appendFrames(index, logged, framesRead - logged);
        logged = framesRead;
        return true;
    }
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        FUZZ_CHECK(frame.number == frames, QStringLiteral("frames out of order"));
        ++frames;
        const int bytes = index->protocolVersion() != 0
                              ? 0
                              : FrameHeader::fromWord(quint8(frame.bytes[0])).payloadSizeBits() / 8;
        lines.append(LogLines::frameLine(frame.number + 1, bytes));
        levels.append(LogLevel::Info);
    }

    std::shared_ptr<const FrameIndex> index;
    QStringList lines;
    QList<LogLevel> levels;
    QList<int> values;
    LogLines kept;
    qint64 logged = 0;
    qint64 frames = 0;
};

/// A device that hands the file out a few bytes at a time, as a slow pipe would; the reader
/// must not depend on how much one read returns.
class TrickleDevice final : public QIODevice
{
public:
    TrickleDevice(const QByteArray &bytes, quint32 seed)
        : m_bytes(bytes)
        , m_state(seed | 1u)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        m_state = m_state * 1103515245u + 12345u;
        // Mostly a few hundred bytes, now and then only a few.
        const quint32 draw = m_state >> 12;
        const qint64 piece = 1 + qint64(draw % 4 == 0 ? (draw >> 2) % 8 : (draw >> 2) % 600);
        const qint64 n = qMin(qMin(piece, maxSize), qint64(m_bytes.size()) - m_pos);
        if (n <= 0)
            return 0;
        memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_pos = 0;
    quint32 m_state;
};

/// One read of a file: the result, what the sink heard, the index and the frames it holds,
/// read back from the file's bytes as a capture reads them back.
struct ReadBack
{
    explicit ReadBack(int protocolVersion)
        : index(std::make_shared<FrameIndex>(protocolVersion))
        , sink(index)
    {
    }

    int result = 0;
    std::shared_ptr<FrameIndex> index;
    RecordingSink sink;
    std::vector<FrameRecord> frames;
};

/// One message pattern of the reader, as a regular expression with its level.
struct Pattern
{
    QRegularExpression expression;
    LogLevel level;
};

// The reader's message text with each %n turned into the given sub-pattern.
QRegularExpression fromMessage(const QString &message, const QStringList &arguments)
{
    // The literal parts are escaped one by one; each %n becomes its argument's sub-pattern.
    static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
    QString pattern;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(message)) {
        pattern += QRegularExpression::escape(message.mid(from, match.capturedStart() - from));
        pattern += arguments.at(match.captured(1).toInt() - 1);
        from = match.capturedEnd();
    }
    pattern += QRegularExpression::escape(message.mid(from));
    const QRegularExpression expression(QLatin1Char('^') + pattern + QLatin1Char('$'),
                                        QRegularExpression::DotMatchesEverythingOption);
    FUZZ_CHECK(expression.isValid(), expression.pattern());
    return expression;
}

const QList<Pattern> &readerPatterns()
{
    static const QList<Pattern> patterns = [] {
        const QString any = QStringLiteral("(.*)");
        const QString number = QStringLiteral("(0|[1-9][0-9]*)");
        const QString frameError =
            QStringLiteral("(?:%1|%2|%3)")
                .arg(fromMessage(QStringLiteral("Unsupported payload size value: %1"), {number})
                         .pattern().mid(1).chopped(1),
                     fromMessage(QStringLiteral("Invalid payload size: %1 bytes"), {number})
                         .pattern().mid(1).chopped(1),
                     fromMessage(QStringLiteral("Incomplete payload: %1 words are missing"), {number})
                         .pattern().mid(1).chopped(1));
        return QList<Pattern>{
            {fromMessage(QStringLiteral("Found tag '%1'"), {any}), LogLevel::Info},
            {fromMessage(QStringLiteral("Tag value: %1"), {any}), LogLevel::Info},
            {fromMessage(QStringLiteral("Parsing frames ..."), {}), LogLevel::Info},
            {fromMessage(QStringLiteral("Frame %1: payload size %2 bytes"), {number, number}),
             LogLevel::Info},
            {fromMessage(QStringLiteral("Tag 'DATA LIST' is open and EOF reached!"), {}),
             LogLevel::Info},
            {fromMessage(QStringLiteral("%1 frames loaded."), {number}), LogLevel::Info},
            {fromMessage(QStringLiteral("Found invalid frame: %1. No further frames will be loaded."),
                         {frameError}),
             LogLevel::Warning},
            {fromMessage(QStringLiteral("%1 bytes ignored after last frame."), {number}),
             LogLevel::Warning},
            {fromMessage(QStringLiteral("Found data after 'DATA LIST' tag. It's ignored."), {}),
             LogLevel::Warning},
            {fromMessage(QStringLiteral("Wrong data length (%1) in '%2' tag! File load aborted."),
                         {number, any}),
             LogLevel::Error},
            {fromMessage(QStringLiteral("Missing # symbol in '%1' tag! File load aborted."), {any}),
             LogLevel::Error},
        };
    }();
    return patterns;
}

/// The load steps one by one on the whole file in memory: tags, the DATA LIST tag, frames
/// decoded where the previous one ended, the bytes after them. This is what the reader must
/// give, however it fetches the file.
struct Model
{
    int result = 0;
    QStringList lines;
    QList<LogLevel> levels;
    QList<int> values;
    std::vector<std::unique_ptr<FrameRecord>> frames;
    std::vector<qsizetype> offsets; // where each kept frame starts in the file

    Model(const QByteArray &file, int protocolVersion)
    {
        const qsizetype size = file.size();
        qsizetype pos = 0;
        const auto atEnd = [&] { return pos >= size; };
        const auto readByte = [&]() -> char { return pos < size ? file.at(pos++) : char(0); };
        const auto readText = [&](char terminator) {
            QString text;
            char c = readByte();
            while (!atEnd()) {
                if (c == terminator)
                    break;
                text += QLatin1Char(c);
                c = readByte();
            }
            return text;
        };
        // What the log shows of a tag's text: a long one cut, with its length in bytes.
        const auto shown = [](const QString &text) {
            return text.size() <= TagTextChars
                       ? text
                       : text.left(TagTextChars) + QStringLiteral("\u2026 (%1 bytes)").arg(text.size());
        };
        const auto log = [&](const QString &text, LogLevel level) {
            lines.append(text);
            levels.append(level);
        };

        values.append(5);
        qint64 remaining = size;
        while (!atEnd()) {
            --remaining;
            if (readByte() != '{')
                continue;
            const QString name = readText(':');
            remaining -= name.size();
            log(QStringLiteral("Found tag '%1'").arg(shown(name)), LogLevel::Info);
            if (!name.startsWith(QLatin1String("DATA LIST"))) {
                log(QStringLiteral("Tag value: %1").arg(shown(readText('}'))), LogLevel::Info);
                continue;
            }
            // The length: the text after the last hyphen as QString::toUInt reads it, but no
            // number where a NUL byte is.
            const qsizetype hyphen = name.lastIndexOf(QLatin1Char('-'));
            const QString number = hyphen < 0 ? QString() : name.mid(hyphen + 1);
            bool ok = false;
            const uint value = number.toUInt(&ok, 10);
            const uint length = ok && !number.contains(QChar(0)) ? value : 0u;
            if (length == 0) {
                log(QStringLiteral("Wrong data length (%1) in '%2' tag! File load aborted.")
                        .arg(length)
                        .arg(shown(name)),
                    LogLevel::Error);
                result = -1;
                return;
            }
            --remaining;
            if (readByte() != '#') {
                log(QStringLiteral("Missing # symbol in '%1' tag! File load aborted.").arg(shown(name)),
                    LogLevel::Error);
                result = -1;
                return;
            }
            break;
        }

        values.append(10);
        log(QStringLiteral("Parsing frames ..."), LogLevel::Info);
        int last = 10;
        int count = 0;
        quint64 previousTime = 0;
        while (!atEnd()) {
            // A lone closing brace at the end closes the DATA LIST tag; it is not a frame.
            if (size - pos == 1 && file.at(pos) == '}')
                break;
            const QByteArray rest = QByteArray::fromRawData(file.constData() + pos, size - pos);
            QBuffer buffer;
            buffer.setData(rest);
            buffer.open(QIODevice::ReadOnly);
            QDataStream in(&buffer);
            in.setByteOrder(QDataStream::LittleEndian);
            auto record = std::make_unique<FrameRecord>(protocolVersion, in);
            const qsizetype start = pos;
            pos += buffer.pos();
            // An incomplete last frame counts only the bytes the file still had.
            remaining = qMax<qint64>(0, remaining - record->serializedSize());
            const int value = int(double(size - remaining) * 80 / double(size));
            if (value != last) {
                values.append(value);
                last = value;
            }
            record->setTime(count == 0 ? 0 : record->time() + previousTime);
            if (!record->isValid()) {
                log(QStringLiteral("Found invalid frame: %1. No further frames will be loaded.")
                        .arg(record->errorText()),
                    LogLevel::Warning);
                break;
            }
            ++count;
            log(QStringLiteral("Frame %1: payload size %2 bytes")
                    .arg(count)
                    .arg(record->payloadSizeBits() / 8),
                LogLevel::Info);
            previousTime = record->time();
            frames.push_back(std::move(record));
            offsets.push_back(start);
        }
        values.append(85);

        char c = readByte();
        qint64 ignored = 0;
        if (!atEnd()) {
            for (;;) {
                c = readByte();
                if (c == '}')
                    break;
                ++ignored;
                if (atEnd())
                    break;
            }
        }
        if (ignored > 0)
            log(QStringLiteral("%1 bytes ignored after last frame.").arg(ignored), LogLevel::Warning);
        if (!atEnd())
            log(QStringLiteral("Found data after 'DATA LIST' tag. It's ignored."), LogLevel::Warning);
        else if (c != '}')
            log(QStringLiteral("Tag 'DATA LIST' is open and EOF reached!"), LogLevel::Info);
        log(QStringLiteral("%1 frames loaded.").arg(count), LogLevel::Info);
    }
};

// A word of the file; 0 where fewer than four bytes are left, as the decoder reads it.
quint32 wordAt(const QByteArray &file, qsizetype at)
{
    if (at + 4 > file.size())
        return 0;
    const auto *b = reinterpret_cast<const uchar *>(file.constData() + at);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

void checkRead(const QByteArray &file, int protocolVersion, bool trickle)
{
    ReadBack read(protocolVersion);
    quint64 dataEnd = 0;
    {
        QBuffer buffer;
        TrickleDevice slow(file, quint32(file.size()) * 2654435761u);
        QIODevice *device = &slow;
        if (!trickle) {
            buffer.setData(file);
            buffer.open(QIODevice::ReadOnly);
            device = &buffer;
        }
        const ReadOutcome outcome = readFrames(*device, file.size(), protocolVersion, read.sink,
                                               read.index.get());
        FUZZ_CHECK(outcome.result == ReadResult::Complete || outcome.result == ReadResult::Aborted,
                   QStringLiteral("unexpected result"));
        FUZZ_CHECK(outcome.frames == read.index->count(), QStringLiteral("frame count"));
        read.result = outcome.result == ReadResult::Aborted ? -1 : 0;
        dataEnd = outcome.dataEnd;
    }
    FUZZ_CHECK(dataEnd <= quint64(file.size()), QStringLiteral("data end past the file"));
    // The frames read back block by block from their checkpoints.
    FrameBlock block;
    for (qint64 first = 0; first < read.index->count(); first += FrameBlock::Size) {
        const quint64 offset = read.index->checkpoint(first).offset;
        const qint64 extent = FrameBlock::extent(*read.index, first, read.index->count(), dataEnd);
        FUZZ_CHECK(offset + quint64(extent) <= dataEnd, QStringLiteral("block past the data"));
        block.layOut(*read.index, first, read.index->count(), file.constData() + offset, extent, dataEnd);
        FUZZ_CHECK(block.present == block.count, QStringLiteral("frame missing from its file"));
        for (int k = 0; k < block.count; ++k) {
            FrameRecord record(protocolVersion, file.constData() + offset + block.starts[size_t(k)],
                               block.lengths[size_t(k)]);
            record.setTime(block.ticks[size_t(k)]);
            read.frames.push_back(record);
        }
    }
    const QString where = QStringLiteral("version %1, %2, input %3")
                              .arg(protocolVersion)
                              .arg(trickle ? "trickled" : "buffered", fuzzHex(file));

    const qsizetype kept = qsizetype(read.frames.size());
    // The capture's log, its frames' lines made from the index, reads as the reader spoke.
    const RecordingSink &heard = read.sink;
    FUZZ_CHECK(heard.kept.size() == heard.lines.size(), where);
    for (qsizetype i = 0; i < heard.lines.size(); ++i) {
        const LogLines::Line line = heard.kept.at(i);
        FUZZ_CHECK(line.text == heard.lines.at(i) && line.level == heard.levels.at(i), where);
    }

    // Every line is one of the reader's texts, at that text's level.
    const RecordingSink &sink = read.sink;
    FUZZ_CHECK(sink.lines.size() == sink.levels.size(), where);
    for (qsizetype i = 0; i < sink.lines.size(); ++i) {
        bool known = false;
        for (const Pattern &pattern : readerPatterns()) {
            if (pattern.expression.match(sink.lines.at(i)).hasMatch()) {
                FUZZ_CHECK(pattern.level == sink.levels.at(i), sink.lines.at(i) + QLatin1Char(' ') + where);
                known = true;
                break;
            }
        }
        FUZZ_CHECK(known, QStringLiteral("unknown log line: ") + sink.lines.at(i) + QLatin1Char(' ') + where);
    }

    // Progress: 5 first; an aborted load ends there. Otherwise 10, then one value per change
    // that grows with the bytes counted and never passes 80 (all of the file), then 85.
    FUZZ_CHECK(!sink.values.isEmpty() && sink.values.first() == 5, where);
    for (int value : sink.values)
        FUZZ_CHECK(value >= 0 && value <= 100, QString::number(value) + QLatin1Char(' ') + where);
    if (read.result < 0) {
        FUZZ_CHECK(sink.values.size() == 1, where);
        FUZZ_CHECK(read.frames.empty(), where);
        FUZZ_CHECK(!sink.levels.isEmpty() && sink.levels.last() == LogLevel::Error, where);
        FUZZ_CHECK(sink.levels.count(LogLevel::Error) == 1, where);
    } else {
        FUZZ_CHECK(sink.values.size() >= 3 && sink.values.at(1) == 10 && sink.values.last() == 85, where);
        for (qsizetype i = 2; i + 1 < sink.values.size(); ++i) {
            FUZZ_CHECK(sink.values.at(i) <= 80, where);
            FUZZ_CHECK(i == 2 || sink.values.at(i) > sink.values.at(i - 1), where);
        }
        FUZZ_CHECK(!sink.levels.contains(LogLevel::Error), where);
        FUZZ_CHECK(sink.lines.count(QStringLiteral("Parsing frames ...")) == 1, where);
        FUZZ_CHECK(sink.lines.last() == QStringLiteral("%1 frames loaded.").arg(kept), where);
    }

    // Every kept frame is valid, of the version asked for, and together they fit in the file.
    qint64 consumed = 0;
    for (qsizetype i = 0; i < kept; ++i) {
        const FrameRecord *record = &read.frames.at(size_t(i));
        FUZZ_CHECK(record->isValid() && record->errorText().isEmpty(), where);
        FUZZ_CHECK(record->protocolVersion() == protocolVersion, where);
        if (protocolVersion == 0) {
            FUZZ_CHECK(record->payloadSizeCode() <= 6, where);
            FUZZ_CHECK(record->payload().size() == record->payloadSizeBits() / 8, where);
            consumed += 8 + 4 * qMax<qint64>(1, record->payload().size() / 4);
        } else {
            FUZZ_CHECK(record->payload().isEmpty() && record->serializedSize() == 0, where);
            // A frame that is not decoded is its two words, of which the file's last one may
            // hold only a few bytes.
            consumed += i + 1 < kept ? 8 : 1;
        }
        FUZZ_CHECK(record->serialize().size() == record->serializedSize(), where);
        FUZZ_CHECK(i == 0 ? record->time() == 0 : record->time() >= read.frames.at(size_t(i - 1)).time(), where);
    }
    FUZZ_CHECK(consumed <= file.size(), where);

    // The same as the steps taken one by one on the file in memory.
    const Model model(file, protocolVersion);
    FUZZ_CHECK(read.result == model.result, where);
    FUZZ_CHECK(sink.lines == model.lines, sink.lines.join(u'|') + QStringLiteral(" <> ") + model.lines.join(u'|') + QLatin1Char(' ') + where);
    FUZZ_CHECK(sink.levels == model.levels, where);
    FUZZ_CHECK(sink.values == model.values, where);
    FUZZ_CHECK(read.frames.size() == model.frames.size(), where);
    for (qsizetype i = 0; i < kept; ++i) {
        const FrameRecord &got = read.frames.at(size_t(i));
        const FrameRecord &want = *model.frames.at(size_t(i));
        FUZZ_CHECK(got.time() == want.time() && got.payload() == want.payload()
                       && got.payloadSizeCode() == want.payloadSizeCode()
                       && got.channelType() == want.channelType() && got.ctsBit() == want.ctsBit(),
                   QStringLiteral("frame %1 ").arg(i) + where);
        // The frame's time is its stored distance to the previous one, summed up.
        const qsizetype at = model.offsets.at(size_t(i));
        if (i > 0)
            FUZZ_CHECK(got.time() - read.frames.at(size_t(i - 1)).time() == wordAt(file, at + 4), where);
        if (protocolVersion == 0)
            FUZZ_CHECK(got.payloadSizeCode() == quint8(wordAt(file, at) >> 5)
                           && got.channelType() == ((wordAt(file, at) >> 1) & 0x0F)
                           && got.ctsBit() == (wordAt(file, at) & 1),
                       where);
    }
}

// A file whose reading fails from byte failFrom on: the load ends with a read error, having
// said and kept what the whole file gives up to there, and only frames read whole before the
// failure; unless it ended before it needed those bytes (a broken DATA LIST tag, data after
// the brace that closes the frames), as it ends on the whole file.
void checkFailingRead(const QByteArray &file, int protocolVersion, qsizetype failFrom)
{
    ReadBack read(protocolVersion);
    const ReadFunction failing = [&file, failFrom](quint64 offset, char *buffer, qint64 length,
                                                    QString *error) -> qint64 {
        if (qint64(offset) >= failFrom) {
            *error = QStringLiteral("Input/output error");
            return -1;
        }
        const qint64 n = qMin<qint64>(length, failFrom - qint64(offset));
        memcpy(buffer, file.constData() + offset, size_t(n));
        return n;
    };
    const ReadOutcome outcome = readFrames(failing, file.size(), protocolVersion, read.sink,
                                           read.index.get());
    const Model model(file, protocolVersion);
    const QString where = QStringLiteral("version %1, failing from %2, input %3")
                              .arg(protocolVersion)
                              .arg(failFrom)
                              .arg(fuzzHex(file));
    if (outcome.result != ReadResult::ReadError) {
        FUZZ_CHECK(outcome.result == (model.result < 0 ? ReadResult::Aborted : ReadResult::Complete)
                       && read.sink.lines == model.lines,
                   where);
        return;
    }
    FUZZ_CHECK(outcome.result == ReadResult::ReadError, where);
    FUZZ_CHECK(outcome.error == QStringLiteral("Input/output error"), where);
    FUZZ_CHECK(outcome.frames == read.index->count() && outcome.frames == read.sink.frames, where);
    FUZZ_CHECK(read.sink.lines == model.lines.mid(0, read.sink.lines.size()), where);
    FUZZ_CHECK(outcome.frames <= qint64(model.frames.size()), where);
    FUZZ_CHECK(outcome.dataEnd <= quint64(failFrom), where);
    for (qint64 i = 0; i < outcome.frames; ++i)
        FUZZ_CHECK(read.index->header(i) == (protocolVersion == 0 ? quint8(wordAt(file, model.offsets.at(size_t(i)))) : 0), where);
}

// The file read as it is written, in pieces cut anywhere and then once whole: the same frames
// and lines as one read of the whole file. A read that ends before the whole file is there
// (a broken DATA LIST tag, an invalid frame) has read the same frames; the lines after an
// invalid frame follow the bytes there were then.
void checkGrowingRead(const QByteArray &file, int protocolVersion)
{
    ReadBack read(protocolVersion);
    ReadPosition position;
    qsizetype written = 0;
    const ReadFunction upToWritten = [&file, &written](quint64 offset, char *buffer,
                                                       qint64 length, QString *) -> qint64 {
        const qint64 n = qMax<qint64>(0, qMin<qint64>(length, written - qint64(offset)));
        memcpy(buffer, file.constData() + offset, size_t(n));
        return n;
    };
    quint32 state = quint32(file.size()) * 2654435761u | 1u;
    ReadOutcome outcome;
    outcome.result = ReadResult::Pending;
    while (outcome.result == ReadResult::Pending && written < file.size()) {
        state = state * 1103515245u + 12345u;
        written = qMin<qsizetype>(file.size(), written + 1 + qsizetype((state >> 12) % 40));
        outcome = readFrames(position, ReadMode::Growing, upToWritten, written, protocolVersion,
                             read.sink, read.index.get());
        FUZZ_CHECK(outcome.frames == read.index->count(), QStringLiteral("frames published"));
    }
    const bool early = outcome.result != ReadResult::Pending && written < file.size();
    if (outcome.result == ReadResult::Pending)
        outcome = readFrames(position, ReadMode::WholeFile, upToWritten, written, protocolVersion,
                             read.sink, read.index.get());
    const Model model(file, protocolVersion);
    const QString where = QStringLiteral("version %1, growing, input %2")
                              .arg(protocolVersion)
                              .arg(fuzzHex(file));
    FUZZ_CHECK(outcome.result == (model.result < 0 ? ReadResult::Aborted : ReadResult::Complete),
               where);
    FUZZ_CHECK(outcome.frames == qint64(model.frames.size()) && outcome.frames == read.sink.frames,
               where);
    FUZZ_CHECK(early || read.sink.lines == model.lines, where);
    for (qint64 i = 0; i < outcome.frames; ++i)
        FUZZ_CHECK(read.index->header(i) == (protocolVersion == 0 ? quint8(wordAt(file, model.offsets.at(size_t(i)))) : 0), where);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(data), qsizetype(size));
#ifdef FUZZ_REPLAY
    // Every seed is read in all four ways, and with reads failing half-way and at its end.
    for (int way = 0; way < 4; ++way)
        checkRead(file, way & 1, (way & 2) != 0);
    for (int way = 0; way < 4; ++way)
        checkFailingRead(file, way & 1, (way & 2) != 0 ? file.size() : file.size() / 2);
    checkGrowingRead(file, 0);
    checkGrowingRead(file, 1);
#else
    // One way of reading per input, picked by a fixed hash of its bytes: the reader's set-up
    // costs more than a small input's reading, and the fuzzer varies the inputs anyway.
    quint32 hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    if ((hash & 12) == 0)
        checkFailingRead(file, int(hash & 1), qsizetype((hash >> 4) % (size + 1)));
    else if ((hash & 12) == 4)
        checkGrowingRead(file, int(hash & 1));
    else
        checkRead(file, int(hash & 1), (hash & 2) != 0);
#endif
    return 0;
}
