// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/timecolumn.h"

#include "core/files/capture.h"
#include "core/files/channellookback.h"
#include "core/filters/framerows.h"
#include "core/frames/framerecord.h"

#include <QCoreApplication>

namespace Korvex {

TimeColumn::TimeColumn() = default;

TimeColumn::~TimeColumn() = default;

void TimeColumn::setCapture(const Capture *capture)
{
    m_capture = capture;
    m_lookback = capture ? std::make_unique<ChannelLookback>(capture->sharedIndex()) : nullptr;
    m_reference = -1;
}

QString TimeColumn::title(const FrameRows &rows) const
{
    return TimeText::columnTitle(m_mode, m_reference,
                                 m_reference < 0 || rows.rowOf(m_reference) >= 0);
}

qint64 TimeColumn::fromFrame(const FrameRows &rows, qint64 row) const
{
    const qint64 frame = rows.frameAt(row);
    switch (m_mode) {
    case TimeMode::SinceFirst:
        return 0;
    case TimeMode::DeltaPrevious:
        return frame - 1;
    case TimeMode::DeltaDisplayed:
        return row > 0 ? rows.frameAt(row - 1) : -1;
    case TimeMode::DeltaChannel:
        return m_lookback ? m_lookback->previous(frame) : -1;
    case TimeMode::SinceReference:
        return qMax<qint64>(0, m_reference);
    }
    return -1;
}

std::optional<quint64> TimeColumn::fromTicks(const FrameRows &rows, qint64 row) const
{
    if (m_mode == TimeMode::SinceFirst)
        return 0;
    const qint64 from = fromFrame(rows, row);
    if (from >= 0 && from < m_capture->frameCount() && !m_capture->isMissing(from))
        return m_capture->ticks(from);
    return std::nullopt;
}

void TimeColumn::appendCell(QString &out, const FrameRows &rows, qint64 row) const
{
    if (!m_capture || row < 0 || row >= rows.count())
        return;
    const qint64 frame = rows.frameAt(row);
    if (frame < 0 || frame >= m_capture->frameCount())
        return;
    if (m_capture->isMissing(frame)) {
        out += QCoreApplication::translate("QAbstractTableModel", "missing");
        return;
    }
    TimeText::appendSince(out, m_capture->ticks(frame), fromTicks(rows, row));
}

std::optional<qint64> TimeColumn::sinceNs(const FrameRows &rows, qint64 row) const
{
    if (!m_capture || row < 0 || row >= rows.count())
        return std::nullopt;
    const qint64 frame = rows.frameAt(row);
    if (frame < 0 || frame >= m_capture->frameCount() || m_capture->isMissing(frame))
        return std::nullopt;
    const std::optional<quint64> from = fromTicks(rows, row);
    if (!from)
        return std::nullopt;
    // As the cell: the difference of the two times in whole nanoseconds.
    return qint64(FrameRecord::nsOfTicks(m_capture->ticks(frame)))
           - qint64(FrameRecord::nsOfTicks(*from));
}

QString TimeColumn::cell(const FrameRows &rows, qint64 row) const
{
    QString text;
    appendCell(text, rows, row);
    return text;
}

} // namespace Korvex
