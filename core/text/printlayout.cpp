// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/printlayout.h"

#include <cmath>
#include <limits>

namespace Korvex {

PrintLayout::PrintLayout(const Page &page, const QList<qreal> &textWidths, const Wrap &wrap)
    : m_page(page)
{
    const qreal padding = 2 * page.padding;
    qreal total = 0;
    for (const qreal width : textWidths) {
        m_widths.append(width + padding);
        total += width + padding;
    }
    const bool wraps = wrap.column >= 0 && wrap.column < m_widths.size();
    if (total > page.width && page.width > 0) {
        if (wraps) {
            // The wrapping column takes what the others leave, but no less than its narrowest.
            const qreal others = total - m_widths.at(wrap.column);
            const qreal text = qMax(wrap.minimumWidth, page.width - others - padding);
            m_widths[wrap.column] = text + padding;
            total = others + text + padding;
        }
        if (total > page.width)
            m_scale = page.width / total;
    }
    qreal left = 0;
    for (const qreal width : std::as_const(m_widths)) {
        m_lefts.append(left);
        left += width;
    }

    if (wraps) {
        const qreal text = m_widths.at(wrap.column) - padding;
        const qreal step = wrap.groupWidth + wrap.spaceWidth;
        // n groups need n * group + (n - 1) * space; the small allowance keeps a column measured
        // for exactly n groups from losing one to rounding.
        const qreal fits = step > 0 ? std::floor((text + wrap.spaceWidth) / step + 1e-9)
                                    : qreal(std::numeric_limits<int>::max());
        m_groupsPerLine = int(qBound<qreal>(1, fits, std::numeric_limits<int>::max()));
    } else {
        m_groupsPerLine = std::numeric_limits<int>::max();
    }
}

qreal PrintLayout::tableWidth() const
{
    return m_widths.isEmpty() ? 0 : m_lefts.last() + m_widths.last();
}

int PrintLayout::linesFor(int groups) const
{
    return groups <= 0 ? 1 : (groups - 1) / m_groupsPerLine + 1;
}

qreal PrintLayout::rowHeight(int lines) const
{
    return lines * m_page.lineHeight + 2 * m_page.padding;
}

qint64 PrintLayout::pageEnd(qint64 first, qint64 count,
                            const std::function<int(qint64)> &linesOf) const
{
    const qreal room = rowsBottom() - rowsTop();
    qreal used = 0;
    qint64 row = first;
    while (row < count) {
        used += rowHeight(linesOf(row));
        if (used > room && row > first)
            break;
        ++row;
    }
    return row;
}

} // namespace Korvex
