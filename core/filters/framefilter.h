#ifndef CORE_FILTERS_FRAMEFILTER_H
#define CORE_FILTERS_FRAMEFILTER_H

#include "core/filters/filterexpression.h"
#include "core/files/workprogress.h"

#include <QtGlobal>

#include <array>
#include <memory>

namespace Korvex {

class Capture;
class FrameBitmap;

/// Runs a filter over a capture. The frames' header fields come from the index alone: for
/// each stretch of frames between two frame numbers the expression compares with, it is
/// judged once for every possible header byte, and the frames are then sorted by a table
/// look-up per index byte. Only frames whose answer depends on their time or payload are
/// read from the file, in large pieces.
class FrameFilter
{
public:
    FrameFilter(const Capture &capture, const FilterExpression &expression);

    /// Sets the bits of the frames first to end - 1 that match: bit k of words[i] stands for
    /// frame first + 64 i + k. `first` is a multiple of 64; bits already set stay set. False
    /// when the progress asked to stop.
    bool evaluate(qint64 first, qint64 end, quint64 *words,
                  const WorkProgress &progress = WorkProgress()) const;

    /// The frames of the capture that match, or nullptr when the progress asked to stop.
    std::shared_ptr<FrameBitmap> matchingFrames(const WorkProgress &progress = WorkProgress()) const;

private:
    using Truths = std::array<FilterExpression::Truth, 256>;

    bool fromIndex(qint64 first, qint64 from, qint64 to, const Truths &truths, quint64 *words,
                   qint64 end, const WorkProgress &progress) const;
    bool fromFile(qint64 first, qint64 from, qint64 to, const Truths &truths, quint64 *words,
                  qint64 end, const WorkProgress &progress) const;

    const Capture &m_capture;
    FilterExpression m_expression;
};

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEFILTER_H
