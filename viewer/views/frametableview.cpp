// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/frametableview.h"

#include "viewer/views/frametablemodel.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <limits>

namespace Korvex {

namespace {

// The rows a column fitted to its contents measures.
constexpr int FittedRows = 100;

/// Row labels as wide as the widest of all the rows shown. The header itself measures the
/// labels of its first and last sections only, which are the window's, and a window move
/// would make it measure them again.
class RowLabels : public QHeaderView
{
public:
    explicit RowLabels(QWidget *parent)
        : QHeaderView(Qt::Vertical, parent)
    {
        // As the table's own row header.
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    QSize sizeHint() const override
    {
        QSize hint = QHeaderView::sizeHint();
        if (const auto *frames = dynamic_cast<const FrameTableModel *>(model())) {
            for (const QString &label : frames->widestRowLabels())
                hint.setWidth(qMax(hint.width(), labelWidth(label)));
        }
        return hint;
    }

private:
    // The room a section takes for a text, measured in bold as the header measures its own.
    int labelWidth(const QString &text) const
    {
        QStyleOptionHeader option;
        initStyleOption(&option);
        QFont bold = font();
        bold.setBold(true);
        option.fontMetrics = QFontMetrics(bold);
        option.text = text;
        // Room for the mark of a marked frame, which any row may get.
        option.icon = FrameTableModel::markIcon();
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this).width();
    }
};

} // namespace

FrameTableView::FrameTableView(QWidget *parent)
    : QTableView(parent)
{
    setVerticalHeader(new RowLabels(this));
    // A column fitted to its contents measures this many rows, a number the header of the
    // columns keeps: the thousand rows Qt measures by default held the event loop for tens of
    // milliseconds when a capture's first frames arrive. The frame numbers' column measures
    // its widest number itself.
    horizontalHeader()->setResizeContentsPrecision(FittedRows);
    setVerticalScrollMode(ScrollPerItem);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &FrameTableView::viewScrolled);
}

FrameTableView::~FrameTableView() = default;

void FrameTableView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_current = -1;
    if (model) {
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
                &FrameTableView::currentMoved);
        // A reset drops the current row, as the table's own does.
        connect(model, &QAbstractItemModel::modelReset, this, [this] { m_current = -1; });
        // A new reference label may need more room.
        connect(model, &QAbstractItemModel::headerDataChanged, this,
                [this](Qt::Orientation orientation) {
                    if (orientation == Qt::Vertical)
                        updateGeometries();
                });
    }
    updateBar();
}

void FrameTableView::currentMoved()
{
    const FrameTableModel *frames = frameModel();
    // While the window moves the current row may fall outside it: it stays the current one.
    if (m_moving || !frames)
        return;
    const QModelIndex current = selectionModel()->currentIndex();
    m_current = current.isValid() ? frames->shownRow(current.row()) : -1;
}

void FrameTableView::setShownScrollBar(QScrollBar *bar)
{
    if (m_bar)
        disconnect(m_bar, nullptr, this, nullptr);
    m_bar = bar;
    if (!m_bar)
        return;
    // The table's own bar covers only the model's window; the shown rows' bar replaces it.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_bar->setOrientation(Qt::Vertical);
    connect(m_bar, &QScrollBar::valueChanged, this, &FrameTableView::barMoved);
    updateBar();
}

FrameTableModel *FrameTableView::frameModel() const
{
    return dynamic_cast<FrameTableModel *>(model());
}

int FrameTableView::pageRows() const
{
    const int rowH = qMax(1, verticalHeader()->defaultSectionSize());
    return qMax(1, viewport()->height() / rowH);
}

void FrameTableView::windowAround(qint64 row)
{
    FrameTableModel *frames = frameModel();
    if (!frames)
        return;
    const qint64 shown = frames->rows().count();
    const int size = frames->rowCount();
    if (shown <= size)
        return;
    // Room for a few pages on either side, so that paging never meets the window's edge.
    const qint64 margin = qMin<qint64>(size / 4, qint64(pageRows()) * 4 + 16);
    const qint64 base = frames->windowBase();
    const bool nearTop = row - base < margin && base > 0;
    const bool nearBottom = base + size - row <= margin && base + size < shown;
    if (nearTop || nearBottom || row < base || row >= base + size) {
        m_syncing = true;
        m_moving = true;
        const qint64 top = frames->shownRow(verticalScrollBar()->value());
        frames->setWindowBase(row - size / 2);
        // The rows on screen stay where they were.
        verticalScrollBar()->setValue(int(std::clamp<qint64>(top - frames->windowBase(), 0, size)));
        // The current row, back in the window, is the table's current row again.
        const int current = frames->modelRow(m_current);
        if (current >= 0 && currentIndex().row() != current)
            selectionModel()->setCurrentIndex(frames->cellIndex(current, qMax(0, currentIndex().column())),
                                              QItemSelectionModel::ClearAndSelect
                                                  | QItemSelectionModel::Rows);
        m_moving = false;
        m_syncing = false;
    }
}

void FrameTableView::goToShownRow(qint64 row)
{
    FrameTableModel *frames = frameModel();
    if (!frames || row < 0 || row >= frames->rows().count())
        return;
    windowAround(row);
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    m_goingTo = true;
    setCurrentIndex(frames->cellIndex(frames->modelRow(row), column));
    m_goingTo = false;
}

QItemSelectionModel::SelectionFlags FrameTableView::selectionCommand(const QModelIndex &index,
                                                                     const QEvent *event) const
{
    // A row gone to by a command selects that row alone: the keys of Shift+F3 or Ctrl+Shift+N
    // are still held then, and would otherwise extend the selection.
    if (m_goingTo)
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QTableView::selectionCommand(index, event);
}

void FrameTableView::centreOnShownRow(qint64 row)
{
    scrollToShownRow(row - pageRows() / 2);
    goToShownRow(row);
}

void FrameTableView::scrollToShownRow(qint64 row)
{
    FrameTableModel *frames = frameModel();
    if (!frames || frames->rows().count() == 0)
        return;
    row = qBound<qint64>(0, row, frames->rows().count() - 1);
    windowAround(row);
    verticalScrollBar()->setValue(frames->modelRow(row));
}

qint64 FrameTableView::shownRowAt(int y) const
{
    const FrameTableModel *frames = frameModel();
    const int row = rowAt(y);
    return frames && row >= 0 ? frames->shownRow(row) : -1;
}

int FrameTableView::sizeHintForColumn(int column) const
{
    const int hint = QTableView::sizeHintForColumn(column);
    const FrameTableModel *frames = frameModel();
    if (column != 0 || !frames || frames->rows().count() == 0)
        return hint;
    // The size the item delegate gives the text, as for any cell, plus the grid line.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = frames->cellText(frames->rows().count() - 1, column);
    const QSize size = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    return qMax(hint, size.width() + (showGrid() ? 1 : 0));
}

void FrameTableView::keyPressEvent(QKeyEvent *event)
{
    // The table's own Copy takes one cell; an action of the table's for the Copy keys (the
    // window's, which copies whole rows) goes first.
    if (event->matches(QKeySequence::Copy)) {
        for (QAction *action : actions()) {
            if (action->isEnabled() && action->shortcuts().contains(QKeySequence(QKeySequence::Copy))) {
                action->trigger();
                event->accept();
                return;
            }
        }
    }
    QTableView::keyPressEvent(event);
}

QModelIndex FrameTableView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    FrameTableModel *frames = frameModel();
    const bool control = modifiers & Qt::ControlModifier;
    // Moves between rows count in shown rows, so that they carry the window along; moves
    // within a row are the table's own.
    qint64 step = 0;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        step = -1;
        break;
    case MoveDown:
    case MoveNext:
        step = 1;
        break;
    case MovePageUp:
        step = -pageRows();
        break;
    case MovePageDown:
        step = pageRows();
        break;
    case MoveHome:
    case MoveEnd:
        if (!control)
            return QTableView::moveCursor(cursorAction, modifiers);
        break;
    default:
        return QTableView::moveCursor(cursorAction, modifiers);
    }
    const qint64 shown = frames ? frames->rows().count() : 0;
    if (shown == 0)
        return QModelIndex();
    const qint64 current = currentShownRow();
    qint64 target = 0;
    if (cursorAction == MoveHome)
        target = 0;
    else if (cursorAction == MoveEnd)
        target = shown - 1;
    else if (current >= 0)
        target = qBound<qint64>(0, current + step, shown - 1);
    windowAround(target);
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    return frames->cellIndex(frames->modelRow(target), column);
}

void FrameTableView::viewScrolled(int value)
{
    FrameTableModel *frames = frameModel();
    if (m_syncing || !frames)
        return;
    if (m_bar) {
        const QSignalBlocker blocker(m_bar);
        m_bar->setValue(int(frames->shownRow(value)));
    }
    // The window follows once the scroll is over: moved now, it would change the rows under
    // whatever scrolled the table (a new current row being reported, say).
    if (!m_followPending) {
        m_followPending = true;
        QMetaObject::invokeMethod(this, &FrameTableView::followScroll, Qt::QueuedConnection);
    }
}

void FrameTableView::followScroll()
{
    m_followPending = false;
    FrameTableModel *frames = frameModel();
    if (!frames)
        return;
    const qint64 top = frames->shownRow(verticalScrollBar()->value());
    windowAround(top);
    windowAround(top + pageRows());
}

void FrameTableView::barMoved(int value)
{
    if (!m_syncing)
        scrollToShownRow(value);
}

void FrameTableView::updateGeometries()
{
    QTableView::updateGeometries();
    updateBar();
}

void FrameTableView::updateBar()
{
    FrameTableModel *frames = frameModel();
    if (!m_bar)
        return;
    const qint64 shown = frames ? frames->rows().count() : 0;
    const QScrollBar *own = verticalScrollBar();
    // The rows that fit below the last top row are as many as in the window.
    const qint64 maximum = shown - (frames ? frames->rowCount() : 0) + own->maximum();
    const QSignalBlocker blocker(m_bar);
    m_bar->setRange(0, int(std::clamp<qint64>(maximum, 0, std::numeric_limits<int>::max())));
    m_bar->setPageStep(qMax(1, own->pageStep()));
    m_bar->setSingleStep(1);
    m_bar->setValue(int(frames ? frames->shownRow(own->value()) : 0));
    m_bar->setVisible(m_bar->maximum() > 0);
}

} // namespace Korvex
