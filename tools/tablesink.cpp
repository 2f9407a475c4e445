// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/tablesink.h"

#include "core/fields/fieldcolumns.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"

namespace Korvex::Dump {

FrameTableWriter::Format tableFormatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return FrameTableWriter::Format::Csv;
    if (name == QLatin1String("json"))
        return FrameTableWriter::Format::Json;
    if (name == QLatin1String("jsonl"))
        return FrameTableWriter::Format::JsonLines;
    return FrameTableWriter::Format::Tsv;
}

TableSink::TableSink(TextOutput &out, FrameTableWriter::Format format, int protocolVersion,
                     const TimeOptions &time, const FilterExpression *filter,
                     const Definitions &fields)
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

void TableSink::frame(const ScannedFrame &frame)
{
    if (!m_filter)
        row(frame, true);
    else if (m_segment.append(frame))
        flush();
}

void TableSink::flush()
{
    if (m_segment.isEmpty())
        return;
    const std::vector<quint64> matches = m_segment.matches(*m_filter);
    for (qint64 k = 0; k < m_segment.count(); ++k)
        row(m_segment.frame(k), FrameSegment::isSet(matches, k));
    m_segment.clear();
}

void TableSink::row(const ScannedFrame &frame, bool shown)
{
    const quint8 header = m_protocolVersion == 0 ? quint8(frame.bytes[0]) : 0;
    const FrameFacts facts = FrameFacts::fromBytes(frame.number, header, frame.ticks, frame.bytes,
                                                   frame.length, m_protocolVersion);
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

void TableSink::end()
{
    flush();
    if (!m_begun)
        begin();
    m_writer.end(m_out.bytes());
}

void TableSink::begin()
{
    m_writer.begin(m_out.bytes());
    m_begun = true;
}

} // namespace Korvex::Dump
