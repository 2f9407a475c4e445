// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framesegment.h"
#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/fields/fieldcolumns.h"
#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/framereader.h"
#include "core/files/loglines.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"
#include "core/frames/frameheader.h"
#include "core/frames/framerecord.h"
#include "core/text/frametablewriter.h"
#include "core/text/timetrail.h"

#include <QString>

#include <algorithm>
#include <optional>

namespace Korvex::Dump {

namespace {

FrameTableWriter::Format formatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return FrameTableWriter::Format::Csv;
    if (name == QLatin1String("json"))
        return FrameTableWriter::Format::Json;
    if (name == QLatin1String("jsonl"))
        return FrameTableWriter::Format::JsonLines;
    return FrameTableWriter::Format::Tsv;
}

/// Prints the frame table row by row as the reader meets the frames, the ones that match the
/// filter if one is given: nothing of the capture is kept but, with a filter, the segment
/// whose frames are judged side by side before their rows are printed in order.
class TableSink final : public FrameReaderSink
{
public:
    TableSink(TextOutput &out, FrameTableWriter::Format format, int protocolVersion,
              const TimeOptions &time, const FilterExpression *filter, const Definitions &fields)
        : m_out(out)
        , m_writer(format, protocolVersion)
        , m_protocolVersion(protocolVersion)
        , m_filter(filter)
        , m_time(time)
        , m_trail(time.mode, protocolVersion, time.referenceTicks)
        , m_segment(protocolVersion)
    {
        m_writer.setTimeTitle(TimeText::columnTitle(time.mode, time.reference, true));
        if (fields)
            m_writer.setFieldColumns(FieldColumns(fields));
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }

    void frame(const ScannedFrame &frame) override
    {
        if (!m_filter)
            row(frame, true);
        else if (m_segment.append(frame))
            flush();
    }

    /// Ends the table of a capture that loaded.
    void end()
    {
        flush();
        if (!m_begun)
            begin();
        m_writer.end(m_out.bytes());
    }

private:
    /// Judges the frames kept and prints the rows of those that match.
    void flush()
    {
        if (m_segment.isEmpty())
            return;
        const std::vector<quint64> matches = m_segment.matches(*m_filter);
        for (qint64 k = 0; k < m_segment.count(); ++k)
            row(m_segment.frame(k), FrameSegment::isSet(matches, k));
        m_segment.clear();
    }

    /// Takes a frame in, shown or not, and prints its row when it is shown.
    void row(const ScannedFrame &frame, bool shown)
    {
        const quint8 header = m_protocolVersion == 0 ? quint8(frame.bytes[0]) : 0;
        const FrameFacts facts = FrameFacts::fromBytes(frame.number, header, frame.ticks,
                                                       frame.bytes, frame.length,
                                                       m_protocolVersion);
        // The time column since the first frame is the frame's own time; the other modes look
        // back at frames before, shown or not, except the one since the row above.
        const QByteArray *timeCell = nullptr;
        if (m_time.mode != TimeMode::SinceFirst) {
            m_timeText.resize(0);
            if (m_time.mode == TimeMode::DeltaDisplayed) {
                if (shown)
                    TimeText::appendSince(m_timeText, frame.ticks, m_lastShown);
            } else {
                m_trail.appendCell(m_timeText, header, frame.ticks);
            }
            timeCell = &m_timeText;
        }
        if (!shown)
            return;
        m_lastShown = frame.ticks;
        if (!m_begun)
            begin();
        // Cells are written as UTF-8 bytes straight from the frame's: no record, no text.
        m_writer.row(m_out.bytes(), facts, timeCell);
        m_out.flushIfFull();
    }

    // The titles, written once the frame block is reached: an aborted load prints nothing.
    void begin()
    {
        m_writer.begin(m_out.bytes());
        m_begun = true;
    }

    TextOutput &m_out;
    FrameTableWriter m_writer;
    int m_protocolVersion;
    const FilterExpression *m_filter;
    TimeOptions m_time;
    TimeTrail m_trail;
    QByteArray m_timeText;
    std::optional<quint64> m_lastShown;
    bool m_begun = false;
    FrameSegment m_segment;
};

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
    TableSink sink(output, formatOf(format), protocolVersionOf(fileName), time, filter, fields);
    if (!streamFrames(fileName, sink, err))
        return Failed;
    sink.end();
    return output.finish(err);
}

int printLog(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    Capture capture(fileName);
    TextOutput output(out);
    LogSink sink(output, formatOf(format), capture.protocolVersion());
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
