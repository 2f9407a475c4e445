// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/logview.h"

#include "viewer/views/logmodel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace Korvex {

namespace {

// Pixels between the left edge and the text, and above and below the text of a row.
constexpr int Margin = 4;
constexpr int Padding = 1;

bool isSelectionKey(const QKeyEvent *event)
{
    return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
}

} // namespace

LogView::LogView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    updateBars();
}

LogView::~LogView() = default;

void LogView::setModel(LogModel *model)
{
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    if (m_model) {
        connect(m_model, &LogModel::rowsAppended, this, &LogView::rowsAppended);
        connect(m_model, &LogModel::cleared, this, &LogView::modelCleared);
    }
    modelCleared();
}

LogModel *LogView::model() const
{
    return m_model;
}

qint64 LogView::rowCount() const
{
    return m_model ? m_model->rowCount() : 0;
}

int LogView::rowHeight() const
{
    return fontMetrics().height() + 2 * Padding;
}

int LogView::pageRows() const
{
    return qMax(1, viewport()->height() / rowHeight());
}

qint64 LogView::maxTop() const
{
    return qMax<qint64>(0, rowCount() - pageRows());
}

qint64 LogView::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const qint64 row = m_top + y / rowHeight();
    return row < rowCount() ? row : -1;
}

QRect LogView::visualRect(qint64 row) const
{
    const int height = rowHeight();
    if (row < m_top || row >= rowCount() || row - m_top >= viewport()->height() / height + 1)
        return {};
    const int y = int(row - m_top) * height;
    if (y >= viewport()->height())
        return {};
    return {0, y, viewport()->width(), height};
}

void LogView::setTop(qint64 top)
{
    m_top = std::clamp<qint64>(top, 0, maxTop());
    updateBars();
    viewport()->update();
}

void LogView::scrollByUser(qint64 top)
{
    setTop(top);
    m_scrolledUp = m_top < maxTop();
}

void LogView::updateBars()
{
    const qint64 last = maxTop();
    m_top = std::clamp<qint64>(m_top, 0, last);
    // The bar's value is the top row, in steps of more than one row only when an int cannot
    // count the rows.
    m_rowsPerStep = last / std::numeric_limits<int>::max() + 1;
    const int barMax = int((last + m_rowsPerStep - 1) / m_rowsPerStep);
    const bool moving = m_moving;
    m_moving = true;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, barMax);
    bar->setPageStep(int(qMax<qint64>(1, pageRows() / m_rowsPerStep)));
    bar->setSingleStep(1);
    bar->setValue(m_top == last ? barMax : int(m_top / m_rowsPerStep));
    QScrollBar *across = horizontalScrollBar();
    across->setRange(0, qMax(0, m_widest + 2 * Margin - viewport()->width()));
    across->setPageStep(viewport()->width());
    across->setSingleStep(qMax(1, fontMetrics().averageCharWidth() * 2));
    m_moving = moving;
}

void LogView::scrollContentsBy(int, int dy)
{
    if (dy != 0 && !m_moving) {
        const QScrollBar *bar = verticalScrollBar();
        scrollByUser(bar->value() == bar->maximum() ? maxTop() : bar->value() * m_rowsPerStep);
    }
    viewport()->update();
}

void LogView::rowsAppended()
{
    // A new line shows unless the user has scrolled up to read: the view then stays where the
    // user put it, however many lines come, until the user goes back to the end.
    if (!m_scrolledUp)
        m_top = maxTop();
    updateBars();
    viewport()->update();
}

void LogView::modelCleared()
{
    m_selection.clear();
    m_dragStart.clear();
    m_anchor = -1;
    m_top = 0;
    m_widest = 0;
    m_scrolledUp = false;
    updateBars();
    viewport()->update();
}

void LogView::clear()
{
    if (m_model)
        m_model->clear();
}

void LogView::selectAll()
{
    if (rowCount() == 0)
        return;
    m_selection.clear();
    m_selection.select(0, rowCount() - 1);
    viewport()->update();
}

void LogView::copy()
{
    if (!m_model || m_selection.isEmpty())
        return;
    QString text;
    qint64 copied = 0;
    for (const auto &[first, last] : m_selection.ranges()) {
        for (qint64 row = first; row <= last && copied < m_copyLimit; ++row, ++copied) {
            if (copied > 0)
                text += QLatin1Char('\n');
            text += m_model->text(row);
        }
    }
    QGuiApplication::clipboard()->setText(text);
    const qint64 selected = m_selection.count();
    if (copied < selected)
        emit copyLimited(copied, selected);
}

bool LogView::event(QEvent *event)
{
    // Copy and Select All belong to the log while it has the focus, whatever the window's
    // shortcuts are.
    if (event->type() == QEvent::ShortcutOverride
        && isSelectionKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void LogView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    if (!m_model)
        return;
    const QFontMetrics metrics = fontMetrics();
    const int height = rowHeight();
    const int width = viewport()->width();
    const int x = Margin - horizontalScrollBar()->value();
    const qint64 rows = rowCount();
    int widest = m_widest;
    for (qint64 row = m_top; row < rows; ++row) {
        const int y = int(row - m_top) * height;
        if (y >= viewport()->height())
            break;
        const QRect rect(0, y, width, height);
        const bool selected = m_selection.contains(row);
        if (selected) {
            painter.fillRect(rect, palette().brush(QPalette::Highlight));
        } else if (const QColor background = m_model->background(row); background.isValid()) {
            painter.fillRect(rect, background);
        }
        painter.setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QString text = m_model->shownText(row);
        painter.drawText(x, y + Padding + metrics.ascent(), text);
        widest = qMax(widest, metrics.horizontalAdvance(text));
    }
    if (widest > m_widest) {
        // The bars change once the paint is over: a bar that appears resizes the viewport.
        m_widest = widest;
        QMetaObject::invokeMethod(this, &LogView::updateBars, Qt::QueuedConnection);
    }
}

void LogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // A view that showed the last line keeps showing it.
    const QScrollBar *bar = verticalScrollBar();
    if (bar->value() == bar->maximum())
        m_top = maxTop();
    updateBars();
}

void LogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_widest = 0;
        updateBars();
        viewport()->update();
    }
}

void LogView::clickRow(qint64 row, Qt::KeyboardModifiers modifiers)
{
    const bool control = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    if (row < 0) {
        // Below the last line: a plain click selects nothing.
        if (!control && !shift)
            m_selection.clear();
    } else if (shift && m_anchor >= 0) {
        if (!control)
            m_selection.clear();
        m_selection.select(m_anchor, row);
    } else if (control) {
        m_selection.toggle(row);
        m_anchor = row;
    } else {
        m_selection.clear();
        m_selection.select(row, row);
        m_anchor = row;
    }
    viewport()->update();
}

void LogView::mousePressEvent(QMouseEvent *event)
{
    const qint64 row = rowAt(event->position().toPoint().y());
    if (event->button() == Qt::LeftButton) {
        m_dragStart = event->modifiers() & Qt::ControlModifier ? m_selection : RowSelection();
        clickRow(row, event->modifiers());
    } else if (event->button() == Qt::RightButton && row >= 0 && !m_selection.contains(row)) {
        // The context menu acts on the line clicked unless it belongs to the selection.
        clickRow(row, Qt::NoModifier);
    }
}

void LogView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_anchor < 0 || rowCount() == 0)
        return;
    // Dragging past an edge scrolls a row at a time.
    const int y = event->position().toPoint().y();
    qint64 row = 0;
    if (y < 0) {
        scrollByUser(m_top - 1);
        row = m_top;
    } else if (y >= viewport()->height()) {
        scrollByUser(m_top + 1);
        row = qMin(rowCount() - 1, m_top + pageRows() - 1);
    } else {
        row = rowAt(y);
        if (row < 0)
            row = rowCount() - 1;
    }
    m_selection = m_dragStart;
    m_selection.select(m_anchor, row);
    viewport()->update();
}

void LogView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragStart.clear();
}

void LogView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->key() == Qt::Key_Home) {
        scrollByUser(0);
    } else if (event->key() == Qt::Key_End) {
        scrollByUser(maxTop());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void LogView::contextMenuEvent(QContextMenuEvent *event)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copyAction = menu->addAction(tr("Copy"), this, &LogView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(!m_selection.isEmpty());
    QAction *selectAllAction = menu->addAction(tr("Select All"), this, &LogView::selectAll);
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(rowCount() > 0);
    menu->popup(event->globalPos());
}

} // namespace Korvex
