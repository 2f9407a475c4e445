#include "views/frametablemodel.h"

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

int FrameTableModel::rowCount(const QModelIndex &) const
{
    return frames ? int(frames->size()) : 0;
}

int FrameTableModel::columnCount(const QModelIndex &) const
{
    return 5;
}

QVariant FrameTableModel::data(const QModelIndex &index, int role) const
{
    Q_UNUSED(index);
    Q_UNUSED(role);
    return QVariant();
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    Q_UNUSED(section);
    Q_UNUSED(orientation);
    Q_UNUSED(role);
    return QVariant();
}

} // namespace Korvex
