// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMESEARCH_H
#define CORE_FILTERS_FRAMESEARCH_H

#include "core/files/workprogress.h"

#include <QtGlobal>

namespace Korvex {

class Capture;
class FilterExpression;
class FrameRows;

/// Finds the next or previous shown frame that matches a filter, from a frame on, wrapping
/// at either end of the capture. It filters growing stretches of frames outward from the
/// start, so a match nearby is found after a small part of the capture.
class FrameSearch
{
public:
    enum class Direction { Forward, Backward };

    struct Result
    {
        /// The frame found, or -1.
        qint64 frame = -1;
        /// Whether the search went past the end (or the start) to find it.
        bool wrapped = false;
        bool cancelled = false;
        /// Frames met that are no longer in the file and could not be searched.
        qint64 missing = 0;
    };

    /// Searches the frames after `from` (before it, backward), then wraps round to `from`
    /// itself. A `from` of -1 searches from the first frame (backward: from the last).
    static Result find(const Capture &capture, const FilterExpression &expression,
                       const FrameRows &shown, qint64 from, Direction direction,
                       const WorkProgress &progress = WorkProgress());
};

} // namespace Korvex

#endif // CORE_FILTERS_FRAMESEARCH_H
