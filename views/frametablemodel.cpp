#include "views/frametablemodel.h"

#include "colors/colordlg.h"
#include "views/frametext.h"

#include <QColor>

namespace Korvex {

FrameTableModel::FrameTableModel(ColorDlg *colorSource)
    : colorSource(colorSource)
{
}

FrameTableModel::~FrameTableModel() = default;

void FrameTableModel::setFrames(FrameList *frames, int protocolVersion)
{
    beginResetModel();
    this->frames = frames;
    this->protocolVersion = protocolVersion;
    endResetModel();
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
    return frames && !parent.isValid() ? int(frames->size()) : 0;
}

int FrameTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FrameText::ColumnCount;
}

QVariant FrameTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const FrameRecord *record = frames->at(index.row());
    if (!record)
        return QVariant();

    switch (role) {
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignHCenter | Qt::AlignVCenter);
    case Qt::DisplayRole:
        return FrameText::cell(*record, index.column(), protocolVersion);
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        if (!colorsEnabled || !colorSource)
            return QVariant();
        const QString name = record->channelTypeName();
        const QColor color = role == Qt::BackgroundRole
                                 ? colorSource->bgColor(protocolVersion, name)
                                 : colorSource->textColor(protocolVersion, name);
        return color.isValid() ? QVariant(color) : QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section;
    if (section < 0 || section >= FrameText::ColumnCount)
        return QVariant();
    return FrameText::columnTitle(section, protocolVersion);
}

} // namespace Korvex
