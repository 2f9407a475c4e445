#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "files/capture.h"
#include "files/capturefile.h"
#include "files/framereader.h"
#include "frames/frameheader.h"
#include "views/frametext.h"
#include "views/timetrail.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <type_traits>

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

// Quotes the CSV field that starts at `start` in the text (a QString, or UTF-8 bytes) when
// RFC 4180 asks for it.
template<typename Text>
void quoteCsvField(Text &text, qsizetype start)
{
    const auto special = [](auto c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
    if (std::none_of(text.cbegin() + start, text.cend(), special))
        return;
    Text quoted = text.mid(start);
    quoted.replace("\"", "\"\"");
    text.truncate(start);
    text += '"';
    text += quoted;
    text += '"';
}

// Ends the JSON string whose text (a QString, or UTF-8 bytes) starts at `start`, its opening
// quote just before it, escaping what JSON asks for.
template<typename Text>
void closeJsonString(Text &text, qsizetype start)
{
    const auto code = [](auto c) {
        if constexpr (sizeof(c) == 1)
            return uint(uchar(c));
        else
            return uint(c.unicode());
    };
    const auto special = [code](auto c) { return c == '"' || c == '\\' || code(c) < 0x20; };
    if (std::any_of(text.cbegin() + start, text.cend(), special)) {
        const Text raw = text.mid(start);
        text.truncate(start);
        for (const auto c : raw) {
            if (c == '"' || c == '\\') {
                text += '\\';
                text += c;
            } else if (code(c) < 0x20) {
                const QString escaped = QStringLiteral("\\u%1").arg(code(c), 4, 16, QLatin1Char('0'));
                if constexpr (std::is_same_v<Text, QString>)
                    text += escaped;
                else
                    text += escaped.toLatin1();
            } else {
                text += c;
            }
        }
    }
    text += '"';
}

/// Prints the frame table row by row as the reader meets the frames: nothing of the capture is
/// kept, whatever its size.
class TableSink final : public FrameReaderSink
{
public:
    TableSink(TextOutput &out, Format format, int protocolVersion, const TimeOptions &time)
        : m_out(out)
        , m_format(format)
        , m_protocolVersion(protocolVersion)
        , m_timeMode(time.mode)
        , m_trail(time.mode, protocolVersion, time.referenceTicks)
    {
        for (int column = 0; column < FrameText::ColumnCount; ++column)
            m_titles.append(FrameText::columnTitle(column, protocolVersion));
        m_titles[0] = TimeText::columnTitle(time.mode, time.reference, true);
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }

    void frame(const ScannedFrame &frame) override
    {
        FrameRecord record(m_protocolVersion, frame.bytes, frame.length);
        record.setTime(frame.ticks);
        if (m_rows == 0)
            writeHead();
        // Cells are written as UTF-8 bytes: no text to convert afterwards.
        QByteArray &text = m_out.bytes();
        if (m_format == Format::Json) {
            text += m_rows == 0 ? "\n{" : ",\n{";
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += ',';
                text += m_keys.at(column);
                text += '"';
                const qsizetype start = text.size();
                appendCell(text, record, column, frame.bytes[0]);
                closeJsonString(text, start);
            }
            text += '}';
        } else {
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += separator();
                const qsizetype start = text.size();
                appendCell(text, record, column, frame.bytes[0]);
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
            m_out.bytes() += m_rows == 0 ? "]\n" : "\n]\n";
    }

private:
    // The time column as the viewer's table shows it in the chosen mode; since the first frame
    // it is the frame's own time, written as the other cells are.
    void appendCell(QByteArray &text, const FrameRecord &record, int column, char header)
    {
        if (column != 0 || m_timeMode == TimeMode::SinceFirst) {
            FrameText::appendCell(text, record, column, m_protocolVersion);
            return;
        }
        m_time.resize(0);
        m_trail.appendCell(m_time, quint8(header), record.time());
        text += m_time.toUtf8();
    }

    char separator() const { return m_format == Format::Csv ? ',' : '\t'; }
    const char *lineEnd() const { return m_format == Format::Csv ? "\r\n" : "\n"; }

    // The titles, written once the frame block is reached: an aborted load prints nothing.
    void writeHead()
    {
        QByteArray &text = m_out.bytes();
        if (m_format == Format::Json) {
            for (const QString &title : std::as_const(m_titles)) {
                QByteArray key = "\"" + title.toUtf8();
                closeJsonString(key, 1);
                m_keys.append(key + ':');
            }
            text += '[';
            return;
        }
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                text += separator();
            const qsizetype start = text.size();
            text += m_titles.at(column).toUtf8();
            if (m_format == Format::Csv)
                quoteCsvField(text, start);
        }
        text += lineEnd();
    }

    TextOutput &m_out;
    Format m_format;
    int m_protocolVersion;
    QStringList m_titles;
    QList<QByteArray> m_keys;
    qint64 m_rows = 0;
    TimeMode m_timeMode;
    TimeTrail m_trail;
    QString m_time;
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

int printTable(const QString &fileName, const QString &format, const TimeOptions &time,
               FILE *out, FILE *err)
{
    TextOutput output(out);
    TableSink sink(output, formatOf(format), protocolVersionOf(fileName), time);
    if (!streamFrames(fileName, sink, err))
        return Failed;
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
