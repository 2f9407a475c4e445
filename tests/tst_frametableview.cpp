// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/frametableview.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

#include <memory>

using namespace Korvex;

/// The frame table over a model that holds a window of the rows: every row reachable by
/// keyboard, scroll bar and jumps, labelled with its frame, for captures of any size.
class TestFrameTableView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keyboardCrossesTheWindow();
    void scrollBarSpansEveryRow();
    void currentRowSurvivesTheWindowMoving();
    void hundredMillionRows();
    void rowLabelsFitEveryRow();

private:
    void show(const FrameRows &rows, const std::shared_ptr<const Capture> &capture, int windowSize);
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_view, key, modifiers);
    }
    // The frame number the row label of the table's current row shows.
    int currentLabel() const
    {
        return m_model->headerData(m_view->currentIndex().row(), Qt::Vertical).toInt();
    }
    qint64 topRow() const { return m_view->shownRowAt(m_view->rowHeight(0) - 1); }

    std::shared_ptr<const Capture> m_capture;
    std::unique_ptr<CaptureSession> m_session;
    std::unique_ptr<FrameTableModel> m_model;
    std::unique_ptr<QWidget> m_window;
    FrameTableView *m_view = nullptr;
    QScrollBar *m_bar = nullptr;
};

void TestFrameTableView::init()
{
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += CaptureFixture::frameOf(i % 7, i % 12, i % 2, quint32(i));
    m_capture = CaptureFixture::load3G(block);
    QCOMPARE(m_capture->frameCount(), 1000);
    show(FrameRows(1000), m_capture, 100);
}

void TestFrameTableView::show(const FrameRows &rows, const std::shared_ptr<const Capture> &capture,
                              int windowSize)
{
    m_window = std::make_unique<QWidget>();
    auto *layout = new QHBoxLayout(m_window.get());
    m_view = new FrameTableView;
    m_bar = new QScrollBar;
    layout->addWidget(m_view);
    layout->addWidget(m_bar);
    m_model.reset();
    m_session = std::make_unique<CaptureSession>();
    m_model = std::make_unique<FrameTableModel>(*m_session, nullptr);
    m_model->setWindowSize(windowSize);
    m_session->setCapture(capture);
    QVERIFY(m_session->setRows(rows, QString()));
    m_view->setModel(m_model.get());
    m_view->setShownScrollBar(m_bar);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_window->resize(500, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_view->setFocus();
}

void TestFrameTableView::cleanup()
{
    m_window.reset();
    m_model.reset();
    m_session.reset();
    m_capture.reset();
}

void TestFrameTableView::keyboardCrossesTheWindow()
{
    m_view->goToShownRow(0);
    QCOMPARE(m_view->currentShownRow(), 0);
    press(Qt::Key_Up);
    QCOMPARE(m_view->currentShownRow(), 0);
    // Row by row and page by page past the end of the first window of 100 rows.
    for (int i = 0; i < 150; ++i)
        press(Qt::Key_Down);
    QCOMPARE(m_view->currentShownRow(), 150);
    QCOMPARE(currentLabel(), 150);
    qint64 previous = m_view->currentShownRow();
    while (previous < 999) {
        press(Qt::Key_PageDown);
        QVERIFY(m_view->currentShownRow() > previous);
        previous = m_view->currentShownRow();
        QCOMPARE(currentLabel(), int(previous));
    }
    press(Qt::Key_Down);
    QCOMPARE(m_view->currentShownRow(), 999);
    press(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_view->currentShownRow(), 0);
    QCOMPARE(currentLabel(), 0);
    press(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(m_view->currentShownRow(), 999);
    QCOMPARE(currentLabel(), 999);
    // The current row is the one the table selects and shows.
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(m_model->shownRow(selected.first().row()), 999);
    QVERIFY(m_view->visualRect(m_view->currentIndex()).intersects(m_view->viewport()->rect()));
}

void TestFrameTableView::scrollBarSpansEveryRow()
{
    const int page = m_bar->pageStep();
    QVERIFY(page > 1);
    QCOMPARE(m_bar->maximum(), 1000 - page);
    m_bar->setValue(500);
    QCOMPARE(topRow(), 500);
    m_bar->setValue(m_bar->maximum());
    QCOMPARE(topRow(), 1000 - page);
    QCOMPARE(m_model->headerData(m_model->rowCount() - 1, Qt::Vertical).toInt(), 999);
    // The table's own scrolling moves the bar along, across the window's edge too: the window
    // follows once each scroll has been handled (a posted call).
    m_bar->setValue(0);
    for (int i = 0; i < 30; ++i) {
        m_view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCoreApplication::sendPostedEvents(m_view);
    }
    QCOMPARE(m_bar->value(), qMin(30 * page, m_bar->maximum()));
    QCOMPARE(topRow(), m_bar->value());
}

void TestFrameTableView::currentRowSurvivesTheWindowMoving()
{
    m_view->goToShownRow(600);
    m_bar->setValue(0);
    QCOMPARE(m_view->currentShownRow(), 600);
    m_bar->setValue(590);
    QCOMPARE(currentLabel(), 600);
    press(Qt::Key_Down);
    QCOMPARE(m_view->currentShownRow(), 601);
    // Far from the window, the next move starts from the current row too.
    m_bar->setValue(0);
    press(Qt::Key_Down);
    QCOMPARE(m_view->currentShownRow(), 602);
    // A reset of the model drops it, as the table's own current row.
    m_model->resetModel();
    QCOMPARE(m_view->currentShownRow(), -1);
}

void TestFrameTableView::hundredMillionRows()
{
    // Rows without texts, as many as a hundred million frames give: labels, scroll bar and
    // jumps reach the last one, which no int pixel position could.
    const qint64 count = 100000000;
    show(FrameRows(count), nullptr, FrameTableModel::DefaultWindowSize);
    QCOMPARE(m_bar->maximum(), count - m_bar->pageStep());
    m_view->goToShownRow(count - 1);
    QCOMPARE(m_view->currentShownRow(), count - 1);
    QCOMPARE(currentLabel(), int(count - 1));
    press(Qt::Key_PageUp);
    QCOMPARE(m_view->currentShownRow(), count - 1 - m_bar->pageStep());
    m_bar->setValue(50000000);
    QCOMPARE(topRow(), 50000000);
    QCOMPARE(m_model->headerData(m_view->rowAt(m_view->rowHeight(0) - 1), Qt::Vertical).toInt(),
             50000000);
    press(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(m_view->currentShownRow(), 0);
    QCOMPARE(m_bar->value(), 0);
}

void TestFrameTableView::rowLabelsFitEveryRow()
{
    // The labels get the room of the widest label of all the rows, wherever the window is; the
    // header itself would measure its first and last hundred sections only.
    QHeaderView *labels = m_view->verticalHeader();
    QFont font = labels->font();
    font.setBold(true);
    const QFontMetrics bold(font);
    const int width = labels->width();
    QVERIFY(width > bold.horizontalAdvance(QStringLiteral("999")));
    m_view->goToShownRow(999);
    m_view->doItemsLayout();
    QCOMPARE(labels->width(), width);

    show(FrameRows(1000), m_capture, 1000);
    m_session->setTimeReference(500);
    QVERIFY(m_view->verticalHeader()->width() > bold.horizontalAdvance(QStringLiteral("500 REF")));
}

QTEST_MAIN(TestFrameTableView)
#include "tst_frametableview.moc"
