// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_TEXT_PRINTLAYOUT_H
#define CORE_TEXT_PRINTLAYOUT_H

#include <QList>
#include <QtGlobal>

#include <functional>

namespace Korvex {

/// The geometry of the printed frame table, apart from any painting: where its columns stand,
/// how many lines a row takes, and which rows go on which page. One column may wrap: its text
/// is made of groups (the payload's groups of hexadecimal digits) that go on as many lines as
/// the column's width needs. Lengths are in the printer's pixels; only when even the narrowest
/// table is wider than the page is everything scaled down (scale() < 1) and the lengths then
/// count in the units before that scaling.
class PrintLayout
{
public:
    /// The page and the font's measures.
    struct Page
    {
        qreal width = 0;
        qreal height = 0;
        /// One line of cell text.
        qreal lineHeight = 0;
        /// Between a cell's border and its text, on each side.
        qreal padding = 0;
        /// Above the table (title and file name) and below it (page number).
        qreal headHeight = 0;
        qreal footHeight = 0;
    };

    /// The column whose text wraps between groups.
    struct Wrap
    {
        int column = -1;
        qreal groupWidth = 0;
        qreal spaceWidth = 0;
        /// The widest text of the column that cannot be broken (its title, a group).
        qreal minimumWidth = 0;
    };

    PrintLayout() = default;
    /// `textWidths`: the widest text of each column on one line.
    PrintLayout(const Page &page, const QList<qreal> &textWidths, const Wrap &wrap);

    qreal scale() const { return m_scale; }
    /// The page in layout units (the printer's pixels divided by scale()).
    qreal pageWidth() const { return m_page.width / m_scale; }
    qreal pageHeight() const { return m_page.height / m_scale; }
    const Page &page() const { return m_page; }

    int columnCount() const { return int(m_widths.size()); }
    /// A column's left edge and width, border to border.
    qreal columnLeft(int column) const { return m_lefts.at(column); }
    qreal columnWidth(int column) const { return m_widths.at(column); }
    qreal tableWidth() const;

    /// Groups of the wrapping column on one line; at least 1.
    int groupsPerLine() const { return m_groupsPerLine; }
    /// Lines of a row whose wrapping cell holds `groups` groups; at least 1.
    int linesFor(int groups) const;
    qreal rowHeight(int lines) const;
    /// Where the header row starts and where the rows below it may go down to.
    qreal tableTop() const { return m_page.headHeight; }
    qreal rowsTop() const { return tableTop() + rowHeight(1); }
    qreal rowsBottom() const { return pageHeight() - m_page.footHeight; }

    /// The end of the page whose first row is row `first` of `count` rows, where row r takes
    /// linesOf(r) lines. A page holds at least one row, however tall.
    qint64 pageEnd(qint64 first, qint64 count, const std::function<int(qint64)> &linesOf) const;

private:
    Page m_page;
    QList<qreal> m_lefts;
    QList<qreal> m_widths;
    qreal m_scale = 1;
    int m_groupsPerLine = 1;
};

} // namespace Korvex

#endif // CORE_TEXT_PRINTLAYOUT_H
