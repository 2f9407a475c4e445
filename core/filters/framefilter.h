// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMEFILTER_H
#define CORE_FILTERS_FRAMEFILTER_H

#include "core/filters/filterexpression.h"
#include "core/files/workprogress.h"
#include "core/tasks/parallelpass.h"

#include <QString>
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
/// read from the file, in large pieces. The frames are split into pieces judged side by side
/// on every core unless another pass is set.
class FrameFilter
{
public:
    FrameFilter(const Capture &capture, const FilterExpression &expression);

    /// How the frames are split over threads; the answer is the same with any pass.
    void setPass(const ParallelPass &pass) { m_pass = pass; }

    /// Sets the bits of the frames first to end - 1 that match: bit k of words[i] stands for
    /// frame first + 64 i + k. `first` is a multiple of 64; bits already set stay set. False
    /// when the progress asked to stop. Frames no longer in the file whose answer depends on
    /// their time or payload match nothing: `missing`, when given, is increased by their number,
    /// and their bits are set in `missingWords`, when given, laid out as `words`.
    bool evaluate(qint64 first, qint64 end, quint64 *words,
                  const WorkProgress &progress = WorkProgress(), qint64 *missing = nullptr,
                  quint64 *missingWords = nullptr) const;

    /// The frames of the capture that match, or nullptr when the progress asked to stop; as
    /// evaluate() does, `missing` counts the frames that could not be searched. Of the first
    /// `frames` frames only, when given, else of every frame the capture has now.
    std::shared_ptr<FrameBitmap> matchingFrames(const WorkProgress &progress = WorkProgress(),
                                                qint64 *missing = nullptr,
                                                qint64 frames = -1) const;

    /// "499,805 frames are no longer in the file and were not searched."
    static QString missingNote(qint64 missing);

private:
    using Truths = std::array<FilterExpression::Truth, 256>;

    bool evaluatePiece(qint64 first, qint64 end, quint64 *words, const WorkProgress &progress,
                       qint64 &missing, quint64 *missingWords) const;
    bool fromIndex(qint64 first, qint64 from, qint64 to, const Truths &truths, quint64 *words,
                   qint64 end, const WorkProgress &progress) const;
    bool fromFile(qint64 first, qint64 from, qint64 to, const Truths &truths, quint64 *words,
                  qint64 end, const WorkProgress &progress, qint64 &missing,
                  quint64 *missingWords) const;

    const Capture &m_capture;
    FilterExpression m_expression;
    ParallelPass m_pass;
};

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEFILTER_H
