// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_STATS_STATISTICSMODEL_H
#define VIEWER_STATS_STATISTICSMODEL_H

#include "core/stats/statisticsreport.h"

#include <QAbstractTableModel>

#include <vector>

namespace Korvex {

/// One table of a statistics report for a table view, sorted by any column: numbers by value,
/// texts alphabetically, figures that are not defined last either way. The sort holds for every
/// section shown after it, as the view's sort indicator says. Figures are shown as people read
/// them: times in a unit ("1.234 ms"), rates per second and counts with grouped digits; the
/// copied text keeps the report's plain figures.
class StatisticsModel : public QAbstractTableModel
{
public:
    explicit StatisticsModel(QObject *parent = nullptr);

    /// Shows a copy of the section, sorted as the table was; an empty section clears the table.
    void setSection(const StatisticsReport::Section &section);
    const StatisticsReport::Section &section() const { return m_section; }

    /// The figure in a row as shown (after sorting), by the column's JSON name.
    QVariant value(int row, const QString &key) const;
    /// A figure of the column as the table shows it.
    static QString displayText(const QVariant &value, const StatisticsReport::Column &column);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    const QVariantList &rowAt(int row) const;
    /// The order of the section's rows sorted by the column, stable from `from`.
    std::vector<int> sorted(std::vector<int> from, int column, Qt::SortOrder order) const;

    StatisticsReport::Section m_section;
    // Row r of the table shows row m_order[r] of the section.
    std::vector<int> m_order;
    // The column sorted by (-1 for the section's own order) and how.
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace Korvex

#endif // VIEWER_STATS_STATISTICSMODEL_H
