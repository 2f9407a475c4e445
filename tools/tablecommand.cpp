#include "tools/commands.h"

#include "tools/errorsink.h"

#include "files/capture.h"
#include "files/framereader.h"
#include "views/frametext.h"
#include "views/timetrail.h"

#include <QString>
#include <QStringList>

namespace Korvex::Dump {

namespace {

// Text is collected and written in large pieces: no write or flush per line.
constexpr qsizetype FlushChars = qsizetype(1) << 18;

/// Collects output text and writes it to a FILE in UTF-8.
class Output
{
public:
    explicit Output(FILE *file)
        : m_file(file)
    {
        m_text.reserve(FlushChars + 4096);
    }
    ~Output() { flush(); }

    QString &text() { return m_text; }

    void flushIfFull()
    {
        if (m_text.size() >= FlushChars)
            flush();
    }

    void flush()
    {
        if (m_text.isEmpty())
            return;
        const QByteArray bytes = m_text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_file);
        m_text.resize(0);
    }

private:
    FILE *m_file;
    QString m_text;
};

/// Prints every log line as LEVEL<TAB>TEXT.
class LogSink final : public FrameReaderSink
{
public:
    LogSink(Output &out, int protocolVersion)
        : m_out(out)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        static const QLatin1String levels[] = {QLatin1String("info\t"),
                                               QLatin1String("warning\t"),
                                               QLatin1String("error\t")};
        m_out.text() += levels[int(level)];
        m_out.text() += text;
        m_out.text() += QLatin1Char('\n');
        m_out.flushIfFull();
    }
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    // Each frame's line, in its place among the others.
    void frame(const ScannedFrame &frame) override
    {
        const int bytes = m_protocolVersion != 0
                              ? 0
                              : FrameHeader::fromWord(quint8(frame.bytes[0])).payloadSizeBits() / 8;
        log(LogLines::frameLine(frame.number + 1, bytes), LogLevel::Info);
    }

private:
    Output &m_out;
    int m_protocolVersion;
};

bool needsCsvQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

// Quotes the field that starts at `start` in the text when RFC 4180 asks for it.
void quoteCsvField(QString &text, qsizetype start)
{
    if (!needsCsvQuotes(QStringView(text).mid(start)))
        return;
    QString field = text.mid(start);
    field.replace(QLatin1String("\""), QLatin1String("\"\""));
    text.truncate(start);
    text += QLatin1Char('"');
    text += field;
    text += QLatin1Char('"');
}

// Makes the text from `start` on a JSON string literal.
void quoteJsonString(QString &text, qsizetype start)
{
    bool plain = true;
    for (const QChar c : QStringView(text).mid(start))
        plain = plain && c != u'"' && c != u'\\' && c.unicode() >= 0x20;
    if (plain) {
        text.insert(start, QLatin1Char('"'));
        text += QLatin1Char('"');
        return;
    }
    const QString field = text.mid(start);
    text.truncate(start);
    text += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == u'"' || c == u'\\') {
            text += QLatin1Char('\\');
            text += c;
        } else if (c.unicode() < 0x20) {
            text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            text += c;
        }
    }
    text += QLatin1Char('"');
}

enum class Format { Tsv, Csv, Json };

Format formatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return Format::Csv;
    if (name == QLatin1String("json"))
        return Format::Json;
    return Format::Tsv;
}

void printRows(const Capture &frames, int protocolVersion, Format format, const TimeOptions &time,
               Output &out)
{
    QStringList titles;
    for (int column = 0; column < FrameText::ColumnCount; ++column)
        titles.append(FrameText::columnTitle(column, protocolVersion));
    titles[0] = TimeText::columnTitle(time.mode, time.reference, true);
    // The time column as the viewer's table shows it in the chosen mode.
    TimeTrail trail(time.mode, protocolVersion, time.referenceTicks);
    const auto appendCell = [&](QString &text, qint64 row, const FrameRecord &record, int column) {
        if (column == 0)
            trail.appendCell(text, frames.index().header(row), record.time());
        else
            FrameText::appendCell(text, record, column, protocolVersion);
    };
    QString &text = out.text();

    if (format == Format::Json) {
        QStringList keys;
        for (const QString &title : std::as_const(titles)) {
            QString key = title;
            quoteJsonString(key, 0);
            keys.append(key + QLatin1Char(':'));
        }
        text += QLatin1Char('[');
        for (qint64 row = 0; row < frames.frameCount(); ++row) {
            text += QLatin1String(row == 0 ? "\n{" : ",\n{");
            const FrameRecord record = frames.frame(row);
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += QLatin1Char(',');
                text += keys.at(column);
                const qsizetype start = text.size();
                appendCell(text, row, record, column);
                quoteJsonString(text, start);
            }
            text += QLatin1Char('}');
            out.flushIfFull();
        }
        text += QLatin1String(frames.frameCount() == 0 ? "]\n" : "\n]\n");
        return;
    }

    const QChar separator = format == Format::Csv ? QLatin1Char(',') : QLatin1Char('\t');
    const QLatin1String lineEnd(format == Format::Csv ? "\r\n" : "\n");
    for (int column = 0; column < FrameText::ColumnCount; ++column) {
        if (column > 0)
            text += separator;
        const qsizetype start = text.size();
        text += titles.at(column);
        if (format == Format::Csv)
            quoteCsvField(text, start);
    }
    text += lineEnd;
    for (qint64 row = 0; row < frames.frameCount(); ++row) {
        const FrameRecord record = frames.frame(row);
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                text += separator;
            const qsizetype start = text.size();
            appendCell(text, row, record, column);
            if (format == Format::Csv)
                quoteCsvField(text, start);
        }
        text += lineEnd;
        out.flushIfFull();
    }
}

} // namespace

int printTable(const QString &fileName, const QString &format, const TimeOptions &time,
               FILE *out, FILE *err)
{
    Capture frames(fileName);
    ErrorSink sink;
    int status = Success;
    if (frames.load(sink) == Capture::Status::Loaded) {
        Output output(out);
        printRows(frames, frames.protocolVersion(), formatOf(format), time, output);
    } else {
        for (const QString &line : std::as_const(sink.errors))
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
        status = Failed;
    }
    return status;
}

int printLog(const QString &fileName, FILE *out, FILE *err)
{
    Q_UNUSED(err);
    Capture frames(fileName);
    Output output(out);
    LogSink sink(output, frames.protocolVersion());
    return frames.load(sink) == Capture::Status::Loaded ? Success : Failed;
}

} // namespace Korvex::Dump
