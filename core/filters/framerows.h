// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMEROWS_H
#define CORE_FILTERS_FRAMEROWS_H

#include <QtGlobal>

#include <memory>

namespace Korvex {

class FrameBitmap;

/// The frames a frame table shows, in order: row r shows frame frameAt(r). Either every frame
/// of a capture, row r showing frame r, or the frames set in a bitmap (a display filter), whose
/// rows are found by counting set bits. Rows and frame numbers are 64-bit, so a hundred million
/// frames need no care anywhere.
class FrameRows
{
public:
    FrameRows() = default;
    /// Every frame of a capture of `count` frames.
    explicit FrameRows(qint64 count);
    /// The frames set in the bitmap, out of as many as it has bits; it must be finished.
    explicit FrameRows(std::shared_ptr<const FrameBitmap> shown);

    /// The rows shown.
    qint64 count() const;
    /// The frames of the capture, shown or not.
    qint64 total() const { return m_total; }
    bool isFiltered() const { return m_shown != nullptr; }
    /// The bitmap of the frames shown, or nullptr when every frame is.
    const FrameBitmap *bitmap() const { return m_shown.get(); }

    /// These rows followed by frames total() to `total` - 1: all of them when every frame is
    /// shown, else those whose bit is set in `news`, where bit k of news[i] stands for frame
    /// `first` + 64 i + k. `first` is a multiple of 64 no later than total(); bits of frames
    /// before total() or from `total` on do not count. The rows shared so far stay as they are.
    FrameRows grown(qint64 total, const quint64 *news = nullptr, qint64 first = 0) const;

    /// The frame that a row shows, or -1 outside the rows.
    qint64 frameAt(qint64 row) const;
    /// The row that shows the frame, or -1 when it is not shown.
    qint64 rowOf(qint64 frame) const;
    bool isShown(qint64 frame) const { return rowOf(frame) >= 0; }
    /// The row of the shown frame nearest to `frame` (the earlier one of two as near), or -1
    /// when no frame is shown.
    qint64 nearestRow(qint64 frame) const;

private:
    qint64 m_total = 0;
    std::shared_ptr<const FrameBitmap> m_shown;
};

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEROWS_H
