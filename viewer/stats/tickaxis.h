// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_TICKAXIS_H
#define VIEWER_STATS_TICKAXIS_H

#include <QCategoryAxis>

namespace Korvex {

/// A chart axis with its ticks at round numbers (1, 2 or 5 times a power of ten, AxisTicks) and
/// labels as people read them: a time axis names the unit that suits the range on view in its
/// title ("Time [ms]") and labels the ticks in it, a count axis groups the digits of its
/// labels ("4,000,000"). The ticks follow the range as it is zoomed or moved.
class TickAxis : public QCategoryAxis
{
public:
    enum class Kind { Time, Count };

    /// `title` holds %1 for the unit of a time axis; `nsPerValue` is how many nanoseconds one
    /// value of the axis stands for. A count axis ignores both extras.
    TickAxis(Kind kind, const QString &title, double nsPerValue = 1, QObject *parent = nullptr);
    ~TickAxis() override;

    /// The range from 0 up to the first tick at or above `highest`, for counts.
    void setCountRange(double highest);

private:
    void relabel(qreal low, qreal high);

    Kind m_kind;
    QString m_title;
    double m_nsPerValue;
};

} // namespace Korvex

#endif // VIEWER_STATS_TICKAXIS_H
