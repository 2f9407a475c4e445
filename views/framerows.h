#ifndef VIEWS_FRAMEROWS_H
#define VIEWS_FRAMEROWS_H

#include <QtGlobal>

namespace Korvex {

/// The frames a frame table shows, in order: row r shows frame frameAt(r). Rows and frame
/// numbers are 64-bit, so a hundred million frames need no care anywhere.
class FrameRows
{
public:
    FrameRows() = default;
    /// Every frame of a capture of `count` frames, row r showing frame r.
    explicit FrameRows(qint64 count)
        : m_count(count)
    {
    }

    qint64 count() const { return m_count; }
    qint64 frameAt(qint64 row) const { return row; }
    /// The row that shows the frame, or -1 when it is not shown.
    qint64 rowOf(qint64 frame) const { return frame >= 0 && frame < m_count ? frame : -1; }

private:
    qint64 m_count = 0;
};

} // namespace Korvex

#endif // VIEWS_FRAMEROWS_H
