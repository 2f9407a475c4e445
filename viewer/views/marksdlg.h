// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_MARKSDLG_H
#define VIEWER_VIEWS_MARKSDLG_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QLabel;
class QSortFilterProxyModel;
class QTableView;
QT_END_NAMESPACE

namespace Korvex {

class CaptureSession;
class MarksModel;

/// Edit > Marks: the marked frames with their times, channel types and notes, sorted by any
/// column. A double click on a mark goes to its frame; a note is edited in place
/// (F2, or typing over the selected note). Not modal: it follows the marks while it is open.
class MarksDlg : public QDialog
{
    Q_OBJECT

public:
    /// The session must outlive the dialog.
    explicit MarksDlg(CaptureSession &session, QWidget *parent = nullptr);
    ~MarksDlg() override;

    QTableView *table() const { return m_table; }
    /// The frame of a row of the table as sorted, or -1.
    qint64 frameAt(int row) const;

signals:
    /// The user asked to see a marked frame in the frame table.
    void goToFrame(qint64 frame);

private:
    void goToRow(const QModelIndex &index);
    void updateCount();

    MarksModel *m_model;
    QSortFilterProxyModel *m_sorted;
    QTableView *m_table;
    QLabel *m_count;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_MARKSDLG_H
