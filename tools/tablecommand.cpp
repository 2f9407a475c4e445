#include "tools/commands.h"

#include "tools/errorsink.h"
#include "tools/textoutput.h"

#include "files/capturefile.h"
#include "files/framereader.h"
#include "views/frametext.h"

#include <QString>
#include <QStringList>

#include <algorithm>

namespace Korvex::Dump {

namespace {

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

/// Prints every log line, as LEVEL<TAB>TEXT with the text escaped (tsv) or as one object of
/// a JSON array.
class LogSink final : public FrameReaderSink
{
public:
    LogSink(TextOutput &out, bool json)
        : m_out(out)
        , m_json(json)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        static const QLatin1String levels[] = {QLatin1String("info"), QLatin1String("warning"),
                                               QLatin1String("error")};
        QString &out = m_out.text();
        if (m_json) {
            out += QLatin1String(m_lines == 0 ? "[\n{\"level\":\"" : ",\n{\"level\":\"");
            out += levels[int(level)];
            out += QLatin1String("\",\"text\":");
            const qsizetype start = out.size();
            out += text;
            quoteJsonString(out, start);
            out += QLatin1Char('}');
        } else {
            out += levels[int(level)];
            out += QLatin1Char('\t');
            appendEscaped(out, text);
            out += QLatin1Char('\n');
        }
        ++m_lines;
        m_out.flushIfFull();
    }
    void progress(int) override {}

    /// Closes the JSON array.
    void end()
    {
        if (m_json)
            m_out.text() += QLatin1String(m_lines == 0 ? "[]\n" : "\n]\n");
    }

private:
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
    qint64 m_lines = 0;
};

enum class Format { Tsv, Csv, Json };

Format formatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return Format::Csv;
    if (name == QLatin1String("json"))
        return Format::Json;
    return Format::Tsv;
}

void printRows(const FrameList &frames, int protocolVersion, Format format, TextOutput &out)
{
    QStringList titles;
    for (int column = 0; column < FrameText::ColumnCount; ++column)
        titles.append(FrameText::columnTitle(column, protocolVersion));
    QString &text = out.text();

    if (format == Format::Json) {
        QStringList keys;
        for (const QString &title : std::as_const(titles)) {
            QString key = title;
            quoteJsonString(key, 0);
            keys.append(key + QLatin1Char(':'));
        }
        text += QLatin1Char('[');
        for (qsizetype row = 0; row < frames.size(); ++row) {
            text += QLatin1String(row == 0 ? "\n{" : ",\n{");
            for (int column = 0; column < FrameText::ColumnCount; ++column) {
                if (column > 0)
                    text += QLatin1Char(',');
                text += keys.at(column);
                const qsizetype start = text.size();
                FrameText::appendCell(text, *frames.at(row), column, protocolVersion);
                quoteJsonString(text, start);
            }
            text += QLatin1Char('}');
            out.flushIfFull();
        }
        text += QLatin1String(frames.isEmpty() ? "]\n" : "\n]\n");
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
    for (const FrameRecord *record : frames) {
        for (int column = 0; column < FrameText::ColumnCount; ++column) {
            if (column > 0)
                text += separator;
            const qsizetype start = text.size();
            FrameText::appendCell(text, *record, column, protocolVersion);
            if (format == Format::Csv)
                quoteCsvField(text, start);
        }
        text += lineEnd;
        out.flushIfFull();
    }
}

} // namespace

int printTable(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    FrameList frames;
    ErrorSink sink;
    int protocolVersion = 0;
    const CaptureResult result = readCaptureFile(fileName, frames, sink, &protocolVersion);
    int status = Success;
    if (result == CaptureResult::Loaded) {
        TextOutput output(out);
        printRows(frames, protocolVersion, formatOf(format), output);
        status = output.finish(err);
    } else {
        for (const QString &line : std::as_const(sink.errors))
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
        status = Failed;
    }
    qDeleteAll(frames);
    return status;
}

int printLog(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    FrameList frames;
    TextOutput output(out);
    LogSink sink(output, formatOf(format) == Format::Json);
    const CaptureResult result = readCaptureFile(fileName, frames, sink);
    qDeleteAll(frames);
    sink.end();
    const int written = output.finish(err);
    return result == CaptureResult::Loaded ? written : Failed;
}

} // namespace Korvex::Dump
