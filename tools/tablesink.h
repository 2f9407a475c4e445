// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_TABLESINK_H
#define TOOLS_TABLESINK_H

#include "tools/commands.h"
#include "tools/framesegment.h"
#include "tools/textoutput.h"

#include "core/files/framereader.h"
#include "core/text/frametablewriter.h"
#include "core/text/timetrail.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace Korvex::Dump {

/// The frame table format named on the command line (tsv for any other name).
FrameTableWriter::Format tableFormatOf(const QString &name);

/// Prints the frame table row by row as the reader meets the frames, the ones that match the
/// filter if one is given: nothing of the capture is kept but, with a filter, the segment
/// whose frames are judged side by side before their rows are printed in order.
class TableSink final : public FrameReaderSink
{
public:
    TableSink(TextOutput &out, FrameTableWriter::Format format, int protocolVersion,
              const TimeOptions &time, const FilterExpression *filter, const Definitions &fields);

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override;

    /// Judges the frames kept and prints the rows of those that match: at once for a reader
    /// waiting on a capture that grows.
    void flush();
    /// Ends the table of a capture that loaded.
    void end();

private:
    // Takes a frame in, shown or not, and prints its row when it is shown.
    void row(const ScannedFrame &frame, bool shown);
    // The titles, written once the frame block is reached: an aborted load prints nothing.
    void begin();

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

} // namespace Korvex::Dump

#endif // TOOLS_TABLESINK_H
