#include "tools/commands.h"

#include "tools/textoutput.h"

#include "files/capture.h"
#include "files/framereader.h"
#include "frames/frameheader.h"
#include "views/frametext.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace Korvex::Dump {

namespace {

enum class Format { Tsv, Csv, Json };

Format formatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return Format::Csv;
    if (name == QLatin1String("json"))
        return Format::Json;
    return Format::Tsv;
}

// Quotes the CSV field that starts at `start` in the text when RFC 4180 asks for it.
void quoteCsvField(QString &text, qsizetype start)
{
    const QStringView field = QStringView(text).mid(start);
    const auto special = [](QChar c) { return c == u',' || c == u'"' || c == u'\r' || c == u'\n'; };
    if (std::none_of(field.begin(), field.end(), special))
        return;
    QString quoted = text.mid(start);
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    text.truncate(start);
    text += QLatin1Char('"');
    text += quoted;
    text += QLatin1Char('"');
}

// Ends the JSON string whose text starts at `start` (its opening quote just before it),
// escaping what JSON asks for.
void closeJsonString(QString &text, qsizetype start)
{
    const QStringView field = QStringView(text).mid(start);
    const auto special = [](QChar c) { return c == u'"' || c == u'\\' || c.unicode() < 0x20; };
    if (std::any_of(field.begin(), field.end(), special)) {
        const QString raw = field.toString();
        text.truncate(start);
        for (const QChar c : raw) {
            if (c == u'"' || c == u'\\') {
                text += QLatin1Char('\\');
                text += c;
            } else if (c.unicode() < 0x20) {
                text += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                text += c;
            }
        }
    }
    text += QLatin1Char('"');
}

void appendJsonString(QString &text, const QString &value)
{
    text += QLatin1Char('"');
    const qsizetype start = text.size();
    text += value;
    closeJsonString(text, start);
}

/// Keeps the reader's error lines, the ones that explain a failed load.
class ErrorLines
{
public:
    void note(const QString &text, LogLevel level)
    {
        if (level == LogLevel::Error)
            m_errors.append(text);
    }
    void print(FILE *err) const
    {
        for (const QString &line : m_errors)
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
    }

private:
    QStringList m_errors;
};

/// Prints the frame table row by row as the reader meets the frames: nothing of the capture is
/// kept, whatever its size.
class TableSink final : public FrameReaderSink
{
public:
    TableSink(TextOutput &out, Format format, int protocolVersion)
        : m_out(out)
        , m_format(format)
        , m_protocolVersion(protocolVersion)
    {
        for (int column = 0; column < FrameText::ColumnCount; ++column)
            m_titles.append(FrameText::columnTitle(column, protocolVersion));
    }

    void log(const QString &text, LogLevel level) override { errors.note(text, level); }
    void progress(int) override {}
    bool wantsFrames() const override { return true; }

    void frame(const ScannedFrame &frame) override
    {
        FrameRecord record(m_protocolVersion, frame.bytes, frame.length);
        record.setTime(frame.ticks);
        if (m_rows == 0)
            writeHead();
        QString &text = m_out.text();
        if (m_format == Format::Json) {
            text += QLatin1String(m_rows == 0 ? "\n{" : ",\n{");
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += QLatin1Char(',');
                text += m_keys.at(column);
                text += QLatin1Char('"');
                const qsizetype start = text.size();
                FrameText::appendCell(text, record, column, m_protocolVersion);
                closeJsonString(text, start);
            }
            text += QLatin1Char('}');
        } else {
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += separator();
                const qsizetype start = text.size();
                FrameText::appendCell(text, record, column, m_protocolVersion);
                if (m_format == Format::Csv)
                    quoteCsvField(text, start);
            }
            text += lineEnd();
        }
        ++m_rows;
        m_out.flushIfFull();
    }

    /// Ends the table of a capture that loaded.
    void end()
    {
        if (m_rows == 0)
            writeHead();
        if (m_format == Format::Json)
            m_out.text() += QLatin1String(m_rows == 0 ? "]\n" : "\n]\n");
    }

    ErrorLines errors;

private:
    QChar separator() const { return m_format == Format::Csv ? QLatin1Char(',') : QLatin1Char('\t'); }
    QLatin1String lineEnd() const { return QLatin1String(m_format == Format::Csv ? "\r\n" : "\n"); }

    // The titles, written once the frame block is reached: an aborted load prints nothing.
    void writeHead()
    {
        QString &text = m_out.text();
        if (m_format == Format::Json) {
            for (const QString &title : std::as_const(m_titles)) {
                QString key;
                appendJsonString(key, title);
                m_keys.append(key + QLatin1Char(':'));
            }
            text += QLatin1Char('[');
            return;
        }
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                text += separator();
            const qsizetype start = text.size();
            text += m_titles.at(column);
            if (m_format == Format::Csv)
                quoteCsvField(text, start);
        }
        text += lineEnd();
    }

    TextOutput &m_out;
    Format m_format;
    int m_protocolVersion;
    QStringList m_titles;
    QStringList m_keys;
    qint64 m_rows = 0;
};

/// Prints every log line as it comes, each frame's line in its place: LEVEL<TAB>TEXT with the
/// text escaped (tsv), or one object of a JSON array.
class LogSink final : public FrameReaderSink
{
public:
    LogSink(TextOutput &out, bool json, int protocolVersion)
        : m_out(out)
        , m_json(json)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        QString &out = begin(level);
        if (m_json) {
            out += QLatin1Char('"');
            const qsizetype start = out.size();
            out += text;
            closeJsonString(out, start);
        } else {
            appendEscaped(out, text);
        }
        end();
    }
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        const int bytes = m_protocolVersion != 0
                              ? 0
                              : FrameHeader::fromWord(quint8(frame.bytes[0])).payloadSizeBits() / 8;
        // Digits and letters only: nothing to escape.
        QString &out = begin(LogLevel::Info);
        if (m_json)
            out += QLatin1Char('"');
        LogLines::appendFrameLine(out, frame.number + 1, bytes);
        if (m_json)
            out += QLatin1Char('"');
        end();
    }

    /// Closes the JSON array.
    void finish()
    {
        if (m_json)
            m_out.text() += QLatin1String(m_lines == 0 ? "[]\n" : "\n]\n");
    }

private:
    QString &begin(LogLevel level)
    {
        static const QLatin1String levels[] = {QLatin1String("info"), QLatin1String("warning"),
                                               QLatin1String("error")};
        QString &out = m_out.text();
        if (m_json) {
            out += QLatin1String(m_lines == 0 ? "[\n{\"level\":\"" : ",\n{\"level\":\"");
            out += levels[int(level)];
            out += QLatin1String("\",\"text\":");
        } else {
            out += levels[int(level)];
            out += QLatin1Char('\t');
        }
        return out;
    }

    void end()
    {
        m_out.text() += m_json ? QLatin1Char('}') : QLatin1Char('\n');
        ++m_lines;
        m_out.flushIfFull();
    }

    // A line feed, carriage return or tab inside a text would break the one line per entry:
    // they are written as \n, \r and \t, and the backslash itself as \\.
    static void appendEscaped(QString &out, const QString &text)
    {
        const auto special = [](QChar c) {
            return c == u'\\' || c == u'\t' || c == u'\n' || c == u'\r';
        };
        if (std::none_of(text.cbegin(), text.cend(), special)) {
            out += text;
            return;
        }
        for (const QChar c : text) {
            switch (c.unicode()) {
            case u'\\':
                out += QLatin1String("\\\\");
                break;
            case u'\t':
                out += QLatin1String("\\t");
                break;
            case u'\n':
                out += QLatin1String("\\n");
                break;
            case u'\r':
                out += QLatin1String("\\r");
                break;
            default:
                out += c;
            }
        }
    }

    TextOutput &m_out;
    bool m_json;
    int m_protocolVersion;
    qint64 m_lines = 0;
};

} // namespace

int printTable(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    Capture capture(fileName);
    TextOutput output(out);
    TableSink sink(output, formatOf(format), capture.protocolVersion());
    if (capture.scan(sink) != Capture::Status::Loaded) {
        sink.errors.print(err);
        return Failed;
    }
    sink.end();
    return output.finish(err);
}

int printLog(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    Capture capture(fileName);
    TextOutput output(out);
    LogSink sink(output, formatOf(format) == Format::Json, capture.protocolVersion());
    const Capture::Status status = capture.scan(sink);
    sink.finish();
    const int written = output.finish(err);
    return status == Capture::Status::Loaded ? written : Failed;
}

} // namespace Korvex::Dump
