// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_MARKSMODEL_H
#define VIEWER_VIEWS_MARKSMODEL_H

#include <QAbstractTableModel>

#include <vector>

namespace Korvex {

class CaptureSession;

/// The marks of a session's capture as a table: frame, time since the first frame, logical
/// channel type and note, one row per mark in frame order. The note can be edited, which
/// changes the session's mark. Qt::UserRole gives each cell's value to sort by (numbers for
/// the frame and the time). It follows the session's marks.
class MarksModel : public QAbstractTableModel
{
public:
    enum Column { Frame, Time, Channel, Note, ColumnCount };

    /// The session must outlive the model.
    explicit MarksModel(CaptureSession &session, QObject *parent = nullptr);
    ~MarksModel() override;

    /// The frame a row stands for, or -1.
    qint64 frameAt(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    /// The marks changed: new rows when other frames are marked, else new notes.
    void marksChanged();
    std::vector<qint64> markedFrames() const;

    CaptureSession &m_session;
    std::vector<qint64> m_frames;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_MARKSMODEL_H
