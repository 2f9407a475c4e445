// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/tablesink.h"
#include "tools/textoutput.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"
#include "core/frames/frameheader.h"
#include "core/frames/framerecord.h"
#include "core/text/frametablewriter.h"

#include <QString>

#include <algorithm>

namespace Korvex::Dump {

namespace {

class LogSink final : public FrameReaderSink
{
public:
    LogSink(TextOutput &out, FrameTableWriter::Format format, int protocolVersion)
        : m_out(out)
        , m_json(format == FrameTableWriter::Format::Json
                 || format == FrameTableWriter::Format::JsonLines)
        , m_lines(format == FrameTableWriter::Format::JsonLines)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        QString &out = begin(level);
        if (m_json) {
            FrameTableWriter::appendJsonString(out, text);
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
        if (m_json && !m_lines)
            m_out.text() += QLatin1String(m_count == 0 ? "[]\n" : "\n]\n");
    }

private:
    QString &begin(LogLevel level)
    {
        static const QLatin1String levels[] = {QLatin1String("info"), QLatin1String("warning"),
                                               QLatin1String("error")};
        QString &out = m_out.text();
        if (m_lines) {
            out += QLatin1String("{\"level\":\"");
            out += levels[int(level)];
            out += QLatin1String("\",\"text\":");
        } else if (m_json) {
            out += QLatin1String(m_count == 0 ? "[\n{\"level\":\"" : ",\n{\"level\":\"");
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
        if (m_lines)
            m_out.text() += QLatin1String("}\n");
        else
            m_out.text() += m_json ? QLatin1Char('}') : QLatin1Char('\n');
        ++m_count;
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
    // JSON Lines: one object per line, no array around them.
    bool m_lines;
    int m_protocolVersion;
    qint64 m_count = 0;
};

} // namespace

int printTable(const QString &fileName, const QString &format, const TimeOptions &time,
               const FilterExpression *filter, const Definitions &fields, FILE *out, FILE *err)
{
    TextOutput output(out);
    TableSink sink(output, tableFormatOf(format), protocolVersionOf(fileName), time, filter, fields);
    if (!streamFrames(fileName, sink, err))
        return Failed;
    sink.end();
    return output.finish(err);
}

int printLog(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    Capture capture(fileName);
    TextOutput output(out);
    LogSink sink(output, tableFormatOf(format), capture.protocolVersion());
    // The viewer's log: its table shows a limited number of frames, and the log says so.
    const Capture::Status status = capture.scan(sink, Capture::ShownFrameLimit);
    sink.finish();
    const int written = output.finish(err);
    if (status == Capture::Status::ReadError) {
        const QString why = capture.log().at(capture.log().size() - 1).text;
        std::fprintf(err, "drfdump: %s\n", why.toUtf8().constData());
    }
    return status == Capture::Status::Loaded || status == Capture::Status::Limited ? written
                                                                                   : Failed;
}

} // namespace Korvex::Dump
