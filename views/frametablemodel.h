#ifndef VIEWS_FRAMETABLEMODEL_H
#define VIEWS_FRAMETABLEMODEL_H

#include "frames/framerecord.h"

#include <QAbstractTableModel>

namespace Korvex {

class ColorDlg;

/// Presents the main window's frame list to the frame table: one row per frame, five columns,
/// coloured by logical channel type while colouring is on.
class FrameTableModel : public QAbstractTableModel
{
public:
    explicit FrameTableModel(ColorDlg *colorSource);
    ~FrameTableModel() override;

    void setFrames(FrameList *frames, int protocolVersion);
    QModelIndex cellIndex(int row, int column) const;
    /// The reset that follows a change of colorsEnabled.
    void resetModel();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    bool colorsEnabled = true;

private:
    FrameList *frames = nullptr;
    int protocolVersion = 0;
    ColorDlg *colorSource = nullptr;
};

} // namespace Korvex

#endif // VIEWS_FRAMETABLEMODEL_H
