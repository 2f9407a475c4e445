// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_TIMECOLUMN_H
#define CORE_TEXT_TIMECOLUMN_H

#include "core/text/timetext.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace Korvex {

class Capture;
class ChannelLookback;
class FrameRows;

/// The frame table's time column over a capture in any of its modes: which frame a row's time
/// counts from and the cell's text. It looks only at the frames of the row asked for and the one
/// it counts from, so a change of mode costs nothing until rows are painted.
class TimeColumn
{
public:
    TimeColumn();
    ~TimeColumn();

    /// The capture whose frames the rows show (or none); the reference goes with the old one.
    void setCapture(const Capture *capture);

    TimeMode mode() const { return m_mode; }
    void setMode(TimeMode mode) { m_mode = mode; }

    /// The frame that "time since the reference frame" counts from, or -1 for none, when the
    /// first frame stands in.
    qint64 reference() const { return m_reference; }
    void setReference(qint64 frame) { m_reference = frame; }

    /// The column's title over these rows: a reference the rows leave out is said to be hidden.
    QString title(const FrameRows &rows) const;

    /// The frame whose time the time of the frame in `row` counts from in the current mode, or
    /// -1 when there is none (the first row of a delta, the first frame of its channel). For
    /// "time since the first frame" it is frame 0, whose time is 0.
    qint64 fromFrame(const FrameRows &rows, qint64 row) const;

    /// Appends the text of the time cell in `row`: "missing" for a frame no longer in the file,
    /// nothing when the frame it counts from is missing or there is none.
    void appendCell(QString &out, const FrameRows &rows, qint64 row) const;
    QString cell(const FrameRows &rows, qint64 row) const;
    /// The value of the time cell in `row` in nanoseconds (negative before the reference), or
    /// nothing where the cell is empty or says "missing".
    std::optional<qint64> sinceNs(const FrameRows &rows, qint64 row) const;

private:
    /// The ticks of the frame the time in `row` counts from, or nothing when there is none or it
    /// is missing; the row's own frame must be in the capture.
    std::optional<quint64> fromTicks(const FrameRows &rows, qint64 row) const;

    const Capture *m_capture = nullptr;
    std::unique_ptr<ChannelLookback> m_lookback;
    TimeMode m_mode = TimeMode::SinceFirst;
    qint64 m_reference = -1;
};

} // namespace Korvex

#endif // CORE_TEXT_TIMECOLUMN_H
