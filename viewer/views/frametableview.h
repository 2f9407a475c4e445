// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FRAMETABLEVIEW_H
#define VIEWER_VIEWS_FRAMETABLEVIEW_H

#include <QPointer>
#include <QTableView>

QT_BEGIN_NAMESPACE
class QScrollBar;
QT_END_NAMESPACE

namespace Korvex {

class FrameTableModel;

/// The frame table. Its model holds a window of the rows shown (FrameTableModel); the table
/// moves that window as the user scrolls, pages or jumps, so every row of a capture of any
/// size can be reached, and its own scroll bar gives way to one that spans all the rows.
class FrameTableView : public QTableView
{
    Q_OBJECT

public:
    explicit FrameTableView(QWidget *parent = nullptr);
    ~FrameTableView() override;

    void setModel(QAbstractItemModel *model) override;

    /// The scroll bar that stands for all the rows shown; it takes the place of the table's own.
    void setShownScrollBar(QScrollBar *bar);
    QScrollBar *shownScrollBar() const { return m_bar; }

    /// The shown row that is current, or -1. It stays current while the model's window is
    /// elsewhere, and is current in the table again when the window comes back to it.
    qint64 currentShownRow() const { return m_current; }
    /// Makes a shown row current, which also selects it and scrolls it into view.
    void goToShownRow(qint64 row);
    /// Makes a shown row current with the table scrolled to put it in the middle, as a row
    /// gone to from elsewhere (a search, the overview strip) is best seen.
    void centreOnShownRow(qint64 row);
    /// Scrolls so that the shown row is the top one.
    void scrollToShownRow(qint64 row);
    /// The shown row at a viewport y, or -1 (like rowAt() for the whole capture).
    qint64 shownRowAt(int y) const;

protected:
    /// Also fits the last shown row's text: times grow down the capture, and the table itself
    /// looks at the rows near the top only.
    int sizeHintForColumn(int column) const override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void updateGeometries() override;

private:
    FrameTableModel *frameModel() const;
    /// Moves the model's window, if needed, so that the row lies well inside it.
    void windowAround(qint64 row);
    void viewScrolled(int value);
    void barMoved(int value);
    void updateBar();
    int pageRows() const;

    void currentMoved();
    void followScroll();

    QPointer<QScrollBar> m_bar;
    bool m_syncing = false;
    bool m_moving = false;
    bool m_followPending = false;
    bool m_goingTo = false;
    qint64 m_current = -1;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FRAMETABLEVIEW_H
