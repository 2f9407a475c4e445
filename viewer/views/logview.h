// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_LOGVIEW_H
#define VIEWER_VIEWS_LOGVIEW_H

#include "viewer/views/rowselection.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QContextMenuEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
QT_END_NAMESPACE

namespace Korvex {

class LogModel;

/// The log panel: one row per line of a LogModel on the line's background. Only the rows on
/// screen are painted and the scroll bar counts rows, so a log of any length scrolls (the item
/// views keep pixel positions in int, which a hundred million rows overflow). It follows new
/// lines unless the user has scrolled up to read, until the user goes back to the end; lines
/// can be selected and copied as plain text.
class LogView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit LogView(QWidget *parent = nullptr);
    ~LogView() override;

    void setModel(LogModel *model);
    LogModel *model() const;

    /// The row at the top of the viewport.
    qint64 topRow() const { return m_top; }
    /// Rows that fit the viewport whole (at least 1).
    int pageRows() const;
    int rowHeight() const;
    /// The row at a y position of the viewport, or -1 where there is none.
    qint64 rowAt(int y) const;
    /// Where a row is in the viewport; empty when it is not on screen.
    QRect visualRect(qint64 row) const;
    const RowSelection &selection() const { return m_selection; }
    /// The most lines one copy takes (a million unless set): a selection of a hundred million
    /// lines would not fit in memory as text.
    qint64 copyLimit() const { return m_copyLimit; }
    void setCopyLimit(qint64 lines) { m_copyLimit = lines; }

public slots:
    /// Empties the log.
    void clear();
    /// Puts the selected lines on the clipboard, joined by line feeds, at most copyLimit().
    void copy();
    void selectAll();

signals:
    /// A copy took only the first `copied` of the `selected` lines.
    void copyLimited(qint64 copied, qint64 selected);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    qint64 rowCount() const;
    qint64 maxTop() const;
    /// Sets the top row as the user's scrolling does: the view stops following new lines when
    /// it ends up above the last one.
    void scrollByUser(qint64 top);
    void setTop(qint64 top);
    void updateBars();
    void rowsAppended();
    void modelCleared();
    /// Selects as a click on the row with these modifiers does.
    void clickRow(qint64 row, Qt::KeyboardModifiers modifiers);

    QPointer<LogModel> m_model;
    qint64 m_top = 0;
    // Rows the vertical scroll bar's steps stand for: 1 unless the log has more rows than an
    // int counts.
    qint64 m_rowsPerStep = 1;
    // Set while the view moves its scroll bars itself, which is not the user scrolling.
    bool m_moving = false;
    bool m_scrolledUp = false;
    // The widest line painted so far, in pixels: the horizontal scroll bar's extent.
    int m_widest = 0;
    RowSelection m_selection;
    // The row that Shift+click selects from, and the selection a drag started with.
    qint64 m_anchor = -1;
    RowSelection m_dragStart;
    qint64 m_copyLimit = 1000000;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_LOGVIEW_H
