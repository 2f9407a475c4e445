// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/frametablemodel.h"

#include "viewer/colors/framecolorscheme.h"
#include "core/files/capture.h"
#include "core/files/framemarks.h"
#include "core/session/capturesession.h"
#include "core/text/frametext.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

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

FrameTableModel::FrameTableModel(const CaptureSession &session,
                                 const FrameColorScheme *colorSource)
    : m_session(session)
    , m_colors(colorSource)
{
    connect(&session, &CaptureSession::captureChanged, this, &FrameTableModel::rowsReplaced);
    connect(&session, &CaptureSession::rowsChanged, this, &FrameTableModel::rowsReplaced);
    connect(&session, &CaptureSession::framesAdded, this, &FrameTableModel::rowsReplaced);
    connect(&session, &CaptureSession::timeChanged, this, &FrameTableModel::timeChanged);
    connect(&session, &CaptureSession::marksChanged, this, &FrameTableModel::marksChanged);
    connect(&session, &CaptureSession::fieldDefinitionsChanged, this,
            &FrameTableModel::fieldColumnsChanged);
    connect(&session, &CaptureSession::fieldColumnsChanged, this,
            &FrameTableModel::fieldColumnsChanged);
    m_fields = session.fieldColumns();
}

FrameTableModel::~FrameTableModel() = default;

const Capture *FrameTableModel::capture() const
{
    return m_session.capture().get();
}

const FrameRows &FrameTableModel::rows() const
{
    return m_session.rows();
}

void FrameTableModel::rowsReplaced()
{
    // Frame numbers of another capture name other frames.
    forgetDecodedRows();
    beginResetModel();
    m_base = 0;
    endResetModel();
}

void FrameTableModel::timeChanged()
{
    // The views format only the cells they paint again, whatever the number of rows.
    emit headerDataChanged(Qt::Horizontal, 0, 0);
    if (rowCount() == 0)
        return;
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
    emit dataChanged(index(0, 0), index(rowCount() - 1, FrameText::ColumnCount - 1),
                     {Qt::DisplayRole, Qt::FontRole});
}

void FrameTableModel::marksChanged()
{
    if (rowCount() == 0)
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void FrameTableModel::fieldColumnsChanged()
{
    // Removed and inserted rather than reset: the table keeps its rows, scroll position,
    // current row and selection.
    if (m_fields.count() > 0) {
        beginRemoveColumns(QModelIndex(), FrameText::ColumnCount,
                           FrameText::ColumnCount + m_fields.count() - 1);
        m_fields = FieldColumns();
        endRemoveColumns();
    }
    forgetDecodedRows();
    const FieldColumns &columns = m_session.fieldColumns();
    if (columns.count() == 0) {
        m_fields = columns;
        return;
    }
    beginInsertColumns(QModelIndex(), FrameText::ColumnCount,
                       FrameText::ColumnCount + columns.count() - 1);
    m_fields = columns;
    endInsertColumns();
}

void FrameTableModel::forgetDecodedRows() const
{
    for (DecodedRow &row : m_decoded)
        row.frame = -1;
}

const FrameTableModel::DecodedRow &FrameTableModel::decoded(qint64 frame) const
{
    DecodedRow &row = m_decoded[std::size_t(frame) % m_decoded.size()];
    if (row.frame != frame) {
        const FrameRecord record = capture()->frame(frame);
        row.frame = frame;
        row.message = m_fields.messageOf(record);
        row.payload = row.message >= 0 ? record.payload() : QByteArray();
    }
    return row;
}

QString FrameTableModel::fieldCell(qint64 frame, int column) const
{
    // Past the last field column: an empty text, as past the frame's own columns.
    if (column - FrameText::ColumnCount >= m_fields.count())
        return QString();
    const DecodedRow &row = decoded(frame);
    return m_fields.cell(column - FrameText::ColumnCount, row.message,
                         reinterpret_cast<const uchar *>(row.payload.constData()));
}

QColor FrameTableModel::markColor()
{
    return QColor(0x20, 0x20, 0x20);
}

int FrameTableModel::protocolVersion() const
{
    return m_session.protocolVersion();
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
    base = qBound<qint64>(0, base, qMax<qint64>(0, rows().count() - rowCount()));
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
    return rows().frameAt(m_base + modelRow);
}

QString FrameTableModel::cellText(qint64 shownRow, int column) const
{
    const Capture *frames = capture();
    if (!frames || shownRow < 0 || shownRow >= rows().count())
        return QString();
    if (column >= FrameText::ColumnCount)
        return fieldCell(rows().frameAt(shownRow), column);
    return FrameText::cell(frames->frame(rows().frameAt(shownRow)), column, protocolVersion());
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
    return parent.isValid() ? 0 : int(qMin<qint64>(rows().count(), m_windowSize));
}

int FrameTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FrameText::ColumnCount + m_fields.count();
}

QVariant FrameTableModel::data(const QModelIndex &index, int role) const
{
    const qint64 frame = index.isValid() ? frameAt(index.row()) : -1;
    const Capture *frames = capture();
    if (frame < 0 || !frames || frame >= frames->frameCount())
        return QVariant();
    const FrameMarks &marks = m_session.marks();
    const qint64 reference = m_session.timeReference();

    switch (role) {
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::DisplayRole:
        if (index.column() == 0)
            return m_session.timeColumn().cell(rows(), shownRow(index.row()));
        if (index.column() >= FrameText::ColumnCount)
            return fieldCell(frame, index.column());
        return FrameText::cell(frames->frame(frame), index.column(), protocolVersion());
    case Qt::FontRole:
        if (frame == reference)
            return referenceFont();
        if (marks.isMarked(frame)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return QVariant();
    case Qt::ToolTipRole:
        return marks.note(frame).isEmpty() ? QVariant() : QVariant(marks.note(frame));
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        // Marked frames keep their colours: their bold text and the mark in the row label
        // tell them.
        if (!colorsEnabled || !m_colors)
            return QVariant();
        // The colours follow the channel type, which the index holds: no file access.
        const QString name = FrameText::channelTypeName(frames->index(), frame);
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
    const qint64 reference = m_session.timeReference();
    if (rows().count() > 0)
        labels.append(QString::number(rows().frameAt(rows().count() - 1)));
    if (reference >= 0 && rows().isShown(reference))
        labels.append(referenceLabel(reference));
    return labels;
}

QIcon FrameTableModel::markIcon()
{
    // A bookmark: a dark band with a notch at its foot, edged in white so that it shows on
    // any header colour.
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 1));
        painter.setBrush(markColor());
        painter.drawPolygon(QPolygonF({QPointF(3.5, 0.5), QPointF(12.5, 0.5), QPointF(12.5, 15.5),
                                       QPointF(8, 11), QPointF(3.5, 15.5)}));
        return QIcon(pixmap);
    }();
    return icon;
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && (role == Qt::FontRole || role == Qt::DecorationRole)) {
        const qint64 frame = frameAt(section);
        const bool marked = frame >= 0 && m_session.marks().isMarked(frame);
        if (role == Qt::DecorationRole)
            return marked ? QVariant(markIcon()) : QVariant();
        return frame >= 0 && (marked || frame == m_session.timeReference()) ? referenceFont()
                                                                            : QVariant();
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical) {
        const qint64 frame = frameAt(section);
        if (frame >= 0 && frame == m_session.timeReference())
            return referenceLabel(frame);
        // The frame limit keeps frame numbers within int.
        return frame < 0 ? QVariant() : QVariant(int(frame));
    }
    if (section < 0 || section >= columnCount())
        return QVariant();
    if (section >= FrameText::ColumnCount)
        return m_fields.title(section - FrameText::ColumnCount);
    if (section == 0)
        return m_session.timeColumn().title(rows());
    return FrameText::columnTitle(section, protocolVersion());
}

} // namespace Korvex
