// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_TIMECHARTFIGURES_H
#define CORE_STATS_TIMECHARTFIGURES_H

#include "core/files/framecursor.h"
#include "core/stats/framerateseries.h"
#include "core/stats/statisticscollector.h"

namespace Korvex {

/// What the time chart's pass gathers: the statistics, whose gaps the gap histogram is cut
/// by, and the frames per interval. Gathered in runs, the figures merge as their parts do.
struct TimeChartFigures
{
    StatisticsCollector stats;
    FrameRateSeries rate;

    /// Takes in the frame the cursor stands on.
    void add(const FrameCursor &cursor)
    {
        const quint8 header = cursor.header();
        stats.add(cursor.number(), header, cursor.isMissing(), cursor.ticks());
        rate.add(cursor.number(), header, cursor.isMissing(), cursor.ticks());
    }

    void merge(const TimeChartFigures &later)
    {
        stats.merge(later.stats);
        rate.merge(later.rate);
    }
};

} // namespace Korvex

#endif // CORE_STATS_TIMECHARTFIGURES_H
