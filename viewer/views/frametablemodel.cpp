#include "viewer/views/frametablemodel.h"

#include "viewer/colors/framecolorscheme.h"
#include "core/files/capture.h"
#include "core/files/framemarks.h"
#include "core/text/frametext.h"

#include <QColor>
#include <QFont>

namespace Korvex {

namespace {

QVariant referenceFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

QString referenceLabel(qint64 frame)
{
    return QStringLiteral("%1 REF").arg(frame);
}

} // namespace

FrameTableModel::FrameTableModel(const FrameColorScheme *colorSource)
    : m_colors(colorSource)
{
}

FrameTableModel::~FrameTableModel() = default;

void FrameTableModel::setCapture(const Capture *capture)
{
    beginResetModel();
    m_capture = capture;
    m_time.setCapture(capture);
    m_rows = FrameRows(capture ? capture->frameCount() : 0);
    m_base = 0;
    endResetModel();
}

void FrameTableModel::setRows(const FrameRows &rows)
{
    beginResetModel();
    m_rows = rows;
    m_base = 0;
    endResetModel();
}

void FrameTableModel::setTimeMode(TimeMode mode)
{
    if (mode == m_time.mode())
        return;
    m_time.setMode(mode);
    timeColumnChanged();
}

void FrameTableModel::setTimeReference(qint64 frame)
{
    const qint64 old = m_time.reference();
    if (frame == old)
        return;
    m_time.setReference(frame);
    timeColumnChanged();
    // The row labels of the old and the new reference.
    for (const qint64 labelled : {old, frame}) {
        const int row = modelRow(m_rows.rowOf(labelled));
        if (labelled >= 0 && row >= 0) {
            emit headerDataChanged(Qt::Vertical, row, row);
            emit dataChanged(index(row, 0), index(row, FrameText::ColumnCount - 1), {Qt::FontRole});
        }
    }
}

void FrameTableModel::timeColumnChanged()
{
    // The views format only the cells they paint again, whatever the number of rows.
    emit headerDataChanged(Qt::Horizontal, 0, 0);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
}

void FrameTableModel::setMarks(const FrameMarks *marks)
{
    m_marks = marks;
    marksChanged();
}

void FrameTableModel::marksChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QColor FrameTableModel::markColor()
{
    return QColor(0x20, 0x20, 0x20);
}

int FrameTableModel::protocolVersion() const
{
    return m_capture ? m_capture->protocolVersion() : 0;
}

void FrameTableModel::setWindowSize(int rows)
{
    beginResetModel();
    m_windowSize = qMax(1, rows);
    m_base = 0;
    endResetModel();
}

void FrameTableModel::setWindowBase(qint64 base)
{
    base = qBound<qint64>(0, base, qMax<qint64>(0, m_rows.count() - rowCount()));
    if (base == m_base)
        return;
    // The rows keep their count: only what they show moves, so the views need no new layout
    // of their rows, only their current and selected rows carried along.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    const int rows = rowCount();
    for (const QModelIndex &index : from) {
        const qint64 row = index.row() + m_base - base;
        to.append(row >= 0 && row < rows ? createIndex(int(row), index.column()) : QModelIndex());
    }
    m_base = base;
    changePersistentIndexList(from, to);
    // The row labels repaint with the layout change; their width already fits every row's
    // (widestRowLabels()), so the header need not measure its sections again.
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int FrameTableModel::modelRow(qint64 shownRow) const
{
    const qint64 row = shownRow - m_base;
    return row >= 0 && row < rowCount() ? int(row) : -1;
}

qint64 FrameTableModel::frameAt(int modelRow) const
{
    if (modelRow < 0 || modelRow >= rowCount())
        return -1;
    return m_rows.frameAt(m_base + modelRow);
}

QString FrameTableModel::cellText(qint64 shownRow, int column) const
{
    if (!m_capture || shownRow < 0 || shownRow >= m_rows.count())
        return QString();
    return FrameText::cell(m_capture->frame(m_rows.frameAt(shownRow)), column, protocolVersion());
}

QModelIndex FrameTableModel::cellIndex(int row, int column) const
{
    return createIndex(row, column);
}

void FrameTableModel::resetModel()
{
    beginResetModel();
    endResetModel();
}

// A cell has no rows or columns beneath it: the table asks with the root index only, and a
// view walking the model as a tree must not find children in every cell.
int FrameTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(qMin<qint64>(m_rows.count(), m_windowSize));
}

int FrameTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FrameText::ColumnCount;
}

QVariant FrameTableModel::data(const QModelIndex &index, int role) const
{
    const qint64 frame = index.isValid() ? frameAt(index.row()) : -1;
    if (frame < 0 || !m_capture || frame >= m_capture->frameCount())
        return QVariant();

    switch (role) {
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::DisplayRole:
        if (index.column() == 0)
            return m_time.cell(m_rows, shownRow(index.row()));
        return FrameText::cell(m_capture->frame(frame), index.column(), protocolVersion());
    case Qt::FontRole:
        if (frame == m_time.reference())
            return referenceFont();
        if (m_marks && m_marks->isMarked(frame)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    case Qt::ToolTipRole:
        return m_marks && !m_marks->note(frame).isEmpty() ? QVariant(m_marks->note(frame))
                                                          : QVariant();
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        if (m_marks && m_marks->isMarked(frame))
            return role == Qt::BackgroundRole ? markColor() : QColor(Qt::white);
        if (!colorsEnabled || !m_colors)
            return QVariant();
        // The colours follow the channel type, which the index holds: no file access.
        const QString name = FrameText::channelTypeName(m_capture->index(), frame);
        const QColor color = role == Qt::BackgroundRole
                                 ? m_colors->bgColor(protocolVersion(), name)
                                 : m_colors->textColor(protocolVersion(), name);
        return color.isValid() ? QVariant(color) : QVariant();
    }
    default:
        return QVariant();
    }
}

QStringList FrameTableModel::widestRowLabels() const
{
    QStringList labels;
    if (m_rows.count() > 0)
        labels.append(QString::number(m_rows.frameAt(m_rows.count() - 1)));
    if (m_time.reference() >= 0 && m_rows.isShown(m_time.reference()))
        labels.append(referenceLabel(m_time.reference()));
    return labels;
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole && orientation == Qt::Vertical) {
        const qint64 frame = frameAt(section);
        return frame >= 0 && frame == m_time.reference() ? referenceFont() : QVariant();
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical) {
        const qint64 frame = frameAt(section);
        if (frame >= 0 && frame == m_time.reference())
            return referenceLabel(frame);
        // The frame limit keeps frame numbers within int.
        return frame < 0 ? QVariant() : QVariant(int(frame));
    }
    if (section < 0 || section >= FrameText::ColumnCount)
        return QVariant();
    if (section == 0)
        return m_time.title(m_rows);
    return FrameText::columnTitle(section, protocolVersion());
}

} // namespace Korvex
