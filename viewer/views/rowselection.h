// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_ROWSELECTION_H
#define VIEWER_VIEWS_ROWSELECTION_H

#include <QtGlobal>

#include <map>

namespace Korvex {

/// The selected rows of a view, as ranges: selecting all of a hundred million rows is one
/// entry. Rows count in 64 bits.
class RowSelection
{
public:
    /// The ranges, first row to last row (inclusive), in order, none touching another.
    using Ranges = std::map<qint64, qint64>;

    void clear() { m_ranges.clear(); }
    /// Adds the rows from `first` to `last` (in either order).
    void select(qint64 first, qint64 last);
    /// Selects the row when it is not selected, else takes it out.
    void toggle(qint64 row);
    bool contains(qint64 row) const;
    bool isEmpty() const { return m_ranges.empty(); }
    /// The number of rows selected.
    qint64 count() const;
    const Ranges &ranges() const { return m_ranges; }

private:
    Ranges m_ranges;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_ROWSELECTION_H
