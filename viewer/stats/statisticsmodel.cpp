// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/stats/statisticsmodel.h"

#include "core/text/numbertext.h"
#include "core/text/timetext.h"

#include <algorithm>
#include <numeric>

namespace Korvex {

namespace {

bool isNumber(const QVariant &value)
{
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// Columns whose figures are nanoseconds, shown in a unit to read them by.
bool isNanoseconds(const QString &key)
{
    return key.endsWith(QLatin1String("_ns"));
}

// Counts of frames and bytes, shown with their digits grouped; numbers that name something
// (frame numbers, channel types, sizes in bits, CTS values) are not counts.
bool isCount(const QString &key)
{
    return key == QLatin1String("frames") || key.endsWith(QLatin1String("_bytes"))
           || key.endsWith(QLatin1String("_frames"));
}

} // namespace

StatisticsModel::StatisticsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void StatisticsModel::setSection(const StatisticsReport::Section &section)
{
    beginResetModel();
    m_section = section;
    std::vector<int> order(std::size_t(section.rows.size()));
    std::iota(order.begin(), order.end(), 0);
    m_order = m_sortColumn >= 0 && m_sortColumn < columnCount()
                  ? sorted(std::move(order), m_sortColumn, m_sortOrder)
                  : std::move(order);
    endResetModel();
}

const QVariantList &StatisticsModel::rowAt(int row) const
{
    return m_section.rows.at(m_order[std::size_t(row)]);
}

QVariant StatisticsModel::value(int row, const QString &key) const
{
    if (row < 0 || row >= rowCount())
        return QVariant();
    for (qsizetype c = 0; c < m_section.columns.size(); ++c) {
        if (m_section.columns.at(c).key == key)
            return rowAt(row).at(c);
    }
    return QVariant();
}

int StatisticsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_order.size());
}

int StatisticsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_section.columns.size());
}

QVariant StatisticsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const QVariant &value = rowAt(index.row()).at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(value, m_section.columns.at(index.column()));
    case Qt::ToolTipRole:
        // Names that a narrow column cuts short.
        return isNumber(value) ? QVariant() : value;
    case Qt::TextAlignmentRole:
        return int((isNumber(value) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0
        || section >= columnCount())
        return QVariant();
    // The cells carry their units where the copied text has them in the title; long titles
    // take two lines, so that the columns fit side by side.
    const StatisticsReport::Column &column = m_section.columns.at(section);
    QString title = column.title;
    if (isNanoseconds(column.key))
        title.remove(QStringLiteral(" [ns]"));
    else if (column.key == QLatin1String("frames_per_second"))
        title = tr("Rate");
    if (title.size() > 12) {
        // Broken at the blank nearest the middle.
        qsizetype best = -1;
        for (qsizetype at = 0; at < title.size(); ++at) {
            if (title.at(at) == QLatin1Char(' ')
                && (best < 0 || qAbs(at - title.size() / 2) < qAbs(best - title.size() / 2)))
                best = at;
        }
        if (best > 0)
            title[best] = QLatin1Char('\n');
    }
    return title;
}

QString StatisticsModel::displayText(const QVariant &value, const StatisticsReport::Column &column)
{
    if (!isNumber(value))
        return StatisticsReport::text(value, column.decimals);
    if (isNanoseconds(column.key))
        return TimeText::brief(value.toDouble());
    if (column.key == QLatin1String("frames_per_second"))
        return NumberText::perSecond(value.toDouble());
    if (isCount(column.key))
        return NumberText::grouped(value.toLongLong());
    return StatisticsReport::text(value, column.decimals);
}

std::vector<int> StatisticsModel::sorted(std::vector<int> from, int column,
                                         Qt::SortOrder order) const
{
    const auto less = [&](int a, int b) {
        const QVariant &x = m_section.rows.at(a).at(column);
        const QVariant &y = m_section.rows.at(b).at(column);
        // Figures that are not defined go last in either order.
        if (!x.isValid() || !y.isValid())
            return x.isValid() && !y.isValid();
        bool before = false;
        bool after = false;
        if (isNumber(x) && isNumber(y)) {
            before = x.toDouble() < y.toDouble();
            after = y.toDouble() < x.toDouble();
        } else {
            const int compared = x.toString().localeAwareCompare(y.toString());
            before = compared < 0;
            after = compared > 0;
        }
        return order == Qt::AscendingOrder ? before : after;
    };
    std::stable_sort(from.begin(), from.end(), less);
    return from;
}

void StatisticsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    const std::vector<int> newOrder = sorted(m_order, column, order);
    // Where each section row was shown before, to carry the views' current rows along.
    std::vector<int> oldRow(m_order.size());
    for (std::size_t r = 0; r < m_order.size(); ++r)
        oldRow[std::size_t(m_order[r])] = int(r);
    std::vector<int> rowsOf(m_order.size());
    for (std::size_t r = 0; r < newOrder.size(); ++r)
        rowsOf[std::size_t(oldRow[std::size_t(newOrder[r])])] = int(r);
    m_order = newOrder;
    QModelIndexList to;
    for (const QModelIndex &index : from)
        to.append(this->index(rowsOf[std::size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace Korvex
