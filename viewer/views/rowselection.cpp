// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/rowselection.h"

#include <utility>

namespace Korvex {

void RowSelection::select(qint64 first, qint64 last)
{
    if (first > last)
        std::swap(first, last);
    // Ranges that overlap or touch the new one merge with it.
    auto it = m_ranges.upper_bound(first);
    if (it != m_ranges.begin()) {
        auto before = std::prev(it);
        if (before->second >= first - 1)
            it = before;
    }
    while (it != m_ranges.end() && it->first <= last + 1) {
        first = qMin(first, it->first);
        last = qMax(last, it->second);
        it = m_ranges.erase(it);
    }
    m_ranges.emplace(first, last);
}

void RowSelection::toggle(qint64 row)
{
    auto it = m_ranges.upper_bound(row);
    if (it == m_ranges.begin() || std::prev(it)->second < row) {
        select(row, row);
        return;
    }
    --it;
    const qint64 first = it->first;
    const qint64 last = it->second;
    m_ranges.erase(it);
    if (first < row)
        m_ranges.emplace(first, row - 1);
    if (row < last)
        m_ranges.emplace(row + 1, last);
}

bool RowSelection::contains(qint64 row) const
{
    const auto it = m_ranges.upper_bound(row);
    return it != m_ranges.begin() && std::prev(it)->second >= row;
}

qint64 RowSelection::count() const
{
    qint64 rows = 0;
    for (const auto &[first, last] : m_ranges)
        rows += last - first + 1;
    return rows;
}

} // namespace Korvex
