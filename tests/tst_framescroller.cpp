// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "growingcapture.h"
#include "hangguard.h"
#include "testenv.h"

#include "viewer/app/framescope.h"
#include "core/filters/framebitmap.h"
#include "core/frames/framerecord.h"
#include "core/session/capturesession.h"
#include "core/text/framedetail.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/frametablemodel.h"
#include "core/text/scrollergeometry.h"
#include "viewer/views/scrolltracker.h"
#include "core/text/timetext.h"

#include <QFile>
#include <QGraphicsPixmapItem>
#include <QHeaderView>
#include <QScrollBar>
#include <QToolTip>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace Korvex;

namespace {

// Channel types and the bar colours the test's colour table gives them.
enum Type : quint8 { Red = 4, White = 5, Blue = 6, Missing = 7 };

std::unique_ptr<Capture> makeFrames(const QVector<quint8> &types)
{
    QByteArray block;
    for (const quint8 type : types)
        block += CaptureFixture::frameOf(1, type, 0, 0);
    return CaptureFixture::load3G(block);
}

QVector<quint8> repeated(quint8 type, int count)
{
    return QVector<quint8>(count, type);
}

} // namespace

/// The overview strip: the bars of all frames, the tracker over the rows the table shows, the
/// tracker following the table and the table following the tracker.
class TestFrameScroller : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void emptyListHasNoTracker();
    void tableThatFits();
    void compressedStrip();
    void trackerFollowsTheTable();
    void trackerIsClamped();
    void trackerStopsAtBothEndsOfTheTable();
    void tableFollowsTheTracker_data();
    void tableFollowsTheTracker();
    void mouseDragMovesOneRowPerFrameHeight();
    void mouseDragReachesBothEnds();
    void resizeRebuilds();
    void captureOpenedBeforeTheWindowShows();
    void emptyLoadAfterFramesDropsTheTracker();
    void clickMovesTheTable();
    void hoverNamesTheFrame();
    void stripUnderAFilter_data();
    void stripUnderAFilter();
    void stripCoversFramesThatJoin();

private:
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }
    ScrollTracker *tracker() { return FramescopeProbe::tracker(*window); }
    int headerH() { return ui().tblFrames->horizontalHeader()->height(); }
    int rowH() { return ui().tblFrames->rowHeight(0); }
    int topRow() { return ui().tblFrames->rowAt(rowH() - 1); }
    double trackerTop() { return tracker()->pos().y() + tracker()->rect().top(); }
    QImage barImage();
    void show(const QVector<quint8> &types);
    /// The frame the strip stands for at a viewport position, as its geometry says
    /// (tst_scrollergeometry checks that against the painted bars).
    qint64 frameAt(QPoint at, qint64 count, const FrameBitmap *shown);
    /// Sends the tool tip event the strip gets when the mouse rests at a viewport position.
    void hover(QPoint at);

    TestEnv env;
    std::unique_ptr<Framescope> window;
};

void TestFrameScroller::initTestCase()
{
    // Red and blue bars, none for white, and no entry at all for "Data Channel D".
    QFile file(env.dataFolder() + QStringLiteral("colors3G.lst"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("Data Channel A;0;0;0;255;0;0\n"
               "Data Channel B;0;0;0;255;255;255\n"
               "Data Channel C;255;255;255;0;0;255\n");
}

void TestFrameScroller::init()
{
    window = std::make_unique<Framescope>(QString());
    window->resize(840, 601);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get(), HangGuardMs));
}

void TestFrameScroller::cleanup()
{
    window.reset();
}

QImage TestFrameScroller::barImage()
{
    QImage image;
    int pixmaps = 0;
    for (QGraphicsItem *item : FramescopeProbe::scene(*window).items()) {
        if (auto *bars = qgraphicsitem_cast<QGraphicsPixmapItem *>(item)) {
            // The bars stay put under the tracker.
            if (bars->pos() != QPointF(0, 0) || (bars->flags() & QGraphicsItem::ItemIsMovable))
                return QImage();
            image = bars->pixmap().toImage();
            ++pixmaps;
        }
    }
    // One image for all bars, whatever the number of frames.
    if (pixmaps != 1)
        return QImage();
    return image;
}

void TestFrameScroller::show(const QVector<quint8> &types)
{
    FramescopeProbe::showCapture(*window, makeFrames(types));
    // The table would lay its rows and scroll bar out once the event loop comes round; the
    // tests need that done now.
    ui().tblFrames->doItemsLayout();
}

qint64 TestFrameScroller::frameAt(QPoint at, qint64 count, const FrameBitmap *shown)
{
    return ScrollerGeometry::frameAtY(ui().gvFrames->mapToScene(at).y(), window->frameItemHeight(),
                                      headerH(), count, shown);
}

void TestFrameScroller::hover(QPoint at)
{
    QWidget *viewport = ui().gvFrames->viewport();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &help);
}

void TestFrameScroller::emptyListHasNoTracker()
{
    QVERIFY(!tracker());
    QVERIFY(FramescopeProbe::scene(*window).items().isEmpty());
    show({});
    QVERIFY(!tracker());
    QVERIFY(FramescopeProbe::scene(*window).items().isEmpty());
    ui().tblFrames->verticalScrollBar()->setValue(3);
    QVERIFY(!tracker());
}

void TestFrameScroller::tableThatFits()
{
    show({Red, White, Blue, Missing, Red});
    QVERIFY(5 * rowH() + headerH() <= ui().tblFrames->height());
    QCOMPARE(window->frameItemHeight(), double(rowH()));

    const QRectF sceneRect(0, 0, ui().gvFrames->viewport()->width(), headerH() - 1 + 5 * rowH());
    QCOMPARE(FramescopeProbe::scene(*window).sceneRect(), sceneRect);
    QCOMPARE(ui().gvFrames->sceneRect(), sceneRect);

    // Bar i lies beside table row i, one row high.
    const QImage image = barImage();
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), ui().gvFrames->width());
    QVERIFY(image.height() <= ui().tblFrames->height() + rowH());
    const QColor expected[] = {Qt::red, Qt::transparent, Qt::blue, Qt::black, Qt::red};
    for (int i = 0; i < 5; ++i) {
        const QRectF bar = ScrollerGeometry::barRect(i, rowH(), headerH(), ui().gvFrames->width());
        QCOMPARE(bar.top(), double(headerH() - 1 + i * rowH()));
        QCOMPARE(bar.height(), double(rowH()));
        for (const int y : {int(bar.top()) + 1, int(bar.center().y()), int(bar.bottom()) - 1}) {
            for (const int x : {0, image.width() - 1})
                QCOMPARE(image.pixelColor(x, y).rgba(), expected[i].rgba());
        }
    }
    // Nothing above the first bar.
    QCOMPARE(image.pixelColor(5, headerH() - 3).alpha(), 0);

    // The tracker covers all five rows; no row lies at the viewport's bottom.
    QVERIFY(tracker());
    QCOMPARE(tracker()->zValue(), 100.0);
    QVERIFY(tracker()->flags() & QGraphicsItem::ItemIsMovable);
    QVERIFY(tracker()->flags() & QGraphicsItem::ItemIsSelectable);
    QCOMPARE(trackerTop(), double(headerH()));
    QCOMPARE(tracker()->rect().height(), 5.0 * rowH());
    QCOMPARE(tracker()->rect().width(), double(ui().gvFrames->viewport()->width()));
    QCOMPARE(tracker()->pen().widthF(), 2.0);
    QCOMPARE(tracker()->pen().color(), QColor(Qt::black));
    QCOMPARE(tracker()->brush().color(), QColor(Qt::transparent));
}

void TestFrameScroller::compressedStrip()
{
    // 10,000 frames: red, a white stretch, then blue.
    show(repeated(Red, 2000) + repeated(White, 3000) + repeated(Blue, 5000));
    const int viewH = ui().gvFrames->viewport()->height();
    const double h = window->frameItemHeight();
    QCOMPARE(h, double(viewH - headerH()) / 10000);
    QVERIFY(h < 1);
    QVERIFY(qAbs(FramescopeProbe::scene(*window).sceneRect().height() - (viewH - 1)) < 1e-6);

    const QImage image = barImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.height() <= viewH + 1);
    auto colorAtFrame = [&](int i) {
        return image.pixelColor(3, int(ScrollerGeometry::barTop(i, h, headerH()))).rgba();
    };
    QCOMPARE(colorAtFrame(1000), QColor(Qt::red).rgba());
    QCOMPARE(colorAtFrame(3500), QColor(Qt::transparent).rgba());
    QCOMPARE(colorAtFrame(7500), QColor(Qt::blue).rgba());
    QCOMPARE(colorAtFrame(9999), QColor(Qt::blue).rgba());

    // The tracker is at least three pixels high, though the rows it covers take less.
    const int bottomRow = ui().tblFrames->rowAt(ui().tblFrames->height() - headerH() - rowH() + 1);
    QVERIFY((bottomRow + 1) * h < 3);
    QCOMPARE(tracker()->rect().height(), 3.0);
    QCOMPARE(trackerTop(), double(headerH()));
}

void TestFrameScroller::trackerFollowsTheTable()
{
    show(repeated(Red, 300));
    const double h = window->frameItemHeight();
    ui().tblFrames->verticalScrollBar()->setValue(120);
    QCOMPARE(topRow(), 120);
    QVERIFY(qAbs(trackerTop() - (headerH() + 120 * h)) < 1e-9);
    const int bottomRow = ui().tblFrames->rowAt(ui().tblFrames->height() - headerH() - rowH() + 1);
    QCOMPARE(tracker()->rect().height(), std::trunc((bottomRow - 120 + 1) * h));

    // By keyboard: the current row moves to the end, the table scrolls, the tracker follows.
    ui().tblFrames->setFocus();
    ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(0, 0));
    QTest::keyClick(ui().tblFrames, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(ui().tblFrames->currentIndex().row(), 299);
    QVERIFY(topRow() > 250);
    QVERIFY(qAbs(trackerTop() - (headerH() + topRow() * h)) < 1e-9);
    // The tracker's bottom meets the last bar's bottom.
    QVERIFY(qAbs(trackerTop() + tracker()->rect().height()
                 - FramescopeProbe::scene(*window).sceneRect().bottom()) < 2);
}

void TestFrameScroller::trackerIsClamped()
{
    QGraphicsScene scene;
    scene.setSceneRect(0, 0, 21, 400);
    auto *tracker = new ScrollTracker(18);
    scene.addItem(tracker);
    tracker->setRect(0, 50, 21, 30);
    QSignalSpy moved(tracker, &ScrollTracker::moved);

    // Only vertical moves.
    tracker->setPos(40, 10);
    QCOMPARE(tracker->pos(), QPointF(0, 10));
    QCOMPARE(moved.count(), 1);

    // Its bounding rectangle (pen included) stops at the top margin ...
    tracker->setPos(0, -1000);
    QCOMPARE(tracker->pos().y(), 18 - 49.0);
    QCOMPARE(tracker->sceneBoundingRect().top(), 18.0);
    QCOMPARE(moved.count(), 2);

    // ... and at the scene's bottom.
    tracker->setPos(-7, 100000);
    QCOMPARE(tracker->pos(), QPointF(0, 400 - 81.0));
    QCOMPARE(tracker->sceneBoundingRect().bottom(), 400.0);
    QCOMPARE(moved.count(), 3);

    tracker->setPos(0, 200);
    QCOMPARE(tracker->pos(), QPointF(0, 200));
}

void TestFrameScroller::trackerStopsAtBothEndsOfTheTable()
{
    show(repeated(Red, 300));
    tracker()->setPos(40, -1000);
    QCOMPARE(tracker()->pos().x(), 0.0);
    QCOMPARE(topRow(), 0);
    QCOMPARE(trackerTop(), double(headerH()));

    tracker()->setPos(-7, 100000);
    QCOMPARE(tracker()->pos().x(), 0.0);
    QCOMPARE(ui().tblFrames->verticalScrollBar()->value(),
             ui().tblFrames->verticalScrollBar()->maximum());
    QVERIFY(topRow() > 0);
    QVERIFY(qAbs(trackerTop() - (headerH() + topRow() * window->frameItemHeight())) < 1e-6);

    // Pushed to the top again, the table shows its first row.
    tracker()->setPos(0, -1000);
    QCOMPARE(topRow(), 0);
}

void TestFrameScroller::tableFollowsTheTracker_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("scrolledTo");
    QTest::addColumn<int>("rows");

    QTest::newRow("rows of about a pixel") << 300 << 0 << 7;
    QTest::newRow("after a scroll bar move") << 300 << 55 << 12;
    QTest::newRow("backwards") << 300 << 80 << -30;
    QTest::newRow("a frame is less than a pixel") << 10000 << 4000 << 1500;
    QTest::newRow("larger frames") << 40 << 3 << 4;
}

// Moving the tracker by n frame heights scrolls the table by n rows, also when the table was
// scrolled some other way before; the tracker then sits on the row grid again.
void TestFrameScroller::tableFollowsTheTracker()
{
    QFETCH(int, frames);
    QFETCH(int, scrolledTo);
    QFETCH(int, rows);
    show(repeated(Blue, frames));
    const double h = window->frameItemHeight();
    ui().tblFrames->verticalScrollBar()->setValue(scrolledTo);
    QCOMPARE(topRow(), scrolledTo);

    QSignalSpy moved(tracker(), &ScrollTracker::moved);
    tracker()->setPos(0, tracker()->pos().y() + rows * h);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(topRow(), scrolledTo + rows);
    QVERIFY(qAbs(trackerTop() - (headerH() + topRow() * h)) < 1e-6);

    // Less than a frame height does not move the table, and the tracker goes back on the grid.
    tracker()->setPos(0, tracker()->pos().y() + h * 0.6);
    QCOMPARE(topRow(), scrolledTo + rows);
    QVERIFY(qAbs(trackerTop() - (headerH() + topRow() * h)) < 1e-6);
}

void TestFrameScroller::mouseDragMovesOneRowPerFrameHeight()
{
    show(repeated(Red, 30));
    const double h = window->frameItemHeight();
    QVERIFY(h > 5 && h < 30);
    ui().tblFrames->verticalScrollBar()->setValue(2);
    const double startTop = trackerTop();
    QCOMPARE(startTop, headerH() + 2 * h);
    QWidget *viewport = ui().gvFrames->viewport();
    const QPoint start = ui().gvFrames->mapFromScene(
        QPointF(5, startTop + tracker()->rect().height() / 2));

    // Small steps that are no multiple of a frame height: the tracker stays under the mouse
    // and the table follows it row by row, no pixel of the drag lost.
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    int dragged = 0;
    for (const int step : {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, -7, -7, -7, -7, -7, -11}) {
        dragged += step;
        QTest::mouseMove(viewport, start + QPoint(0, dragged));
        QCOMPARE(trackerTop(), startTop + dragged);
        QCOMPARE(topRow(), 2 + int(std::floor(dragged / h)));
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, start + QPoint(0, dragged));
    QCOMPARE(topRow(), 2 + int(std::floor(dragged / h)));
    // Let go, it sits on the grid again.
    QVERIFY(qAbs(trackerTop() - (headerH() + topRow() * h)) < 1e-6);
}

void TestFrameScroller::mouseDragReachesBothEnds()
{
    // Frames far less than a pixel high: the tracker's pen and its minimum height keep its top
    // a few pixels off the first and the last bar.
    show(repeated(Blue, 20000));
    const double h = window->frameItemHeight();
    QScrollBar *bar = ui().tblFrames->verticalScrollBar();
    bar->setValue(9000);
    QWidget *viewport = ui().gvFrames->viewport();
    QPoint mouse = ui().gvFrames->mapFromScene(QPointF(5, trackerTop() + 1));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    QTest::mouseMove(viewport, mouse += QPoint(0, 20));
    QCOMPARE(topRow(), 9000 + int(20 / h));
    QTest::mouseMove(viewport, mouse += QPoint(0, 1000));
    QCOMPARE(bar->value(), bar->maximum());
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    QCOMPARE(bar->value(), bar->maximum());

    // Back from the bottom a pixel at a time, holding the tracker by what shows of its frame
    // under the last bar: the table leaves its end once the tracker does.
    mouse = QPoint(5, qMin(int(trackerTop()), viewport->height() - 1));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    QVERIFY(tracker()->isDragged());
    for (int step = 0; step < 10; ++step)
        QTest::mouseMove(viewport, mouse += QPoint(0, -1));
    QVERIFY(bar->value() < bar->maximum());
    QTest::mouseMove(viewport, mouse += QPoint(0, -1000));
    QCOMPARE(bar->value(), 0);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    QCOMPARE(trackerTop(), double(headerH()));

    // And down from the top a pixel at a time: each pixel is 1 / h rows.
    mouse = ui().gvFrames->mapFromScene(QPointF(5, trackerTop() + 1));
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    for (int step = 1; step <= 10; ++step) {
        QTest::mouseMove(viewport, mouse += QPoint(0, 1));
        QCOMPARE(bar->value(), int(std::floor(step / h + 1e-6)));
    }
    QTest::mouseMove(viewport, mouse += QPoint(0, -50));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, mouse);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(trackerTop(), double(headerH()));
}

void TestFrameScroller::resizeRebuilds()
{
    show(repeated(Red, 10000));
    const ScrollTracker *before = tracker();
    const double h = window->frameItemHeight();
    window->resize(840, 801);
    QTRY_VERIFY_WITH_TIMEOUT(ui().gvFrames->viewport()->height() > 300, HangGuardMs);
    QVERIFY(tracker());
    QVERIFY(tracker() != before || window->frameItemHeight() != h);
    QCOMPARE(window->frameItemHeight(),
             double(ui().gvFrames->viewport()->height() - headerH()) / 10000);
    QCOMPARE(tracker()->pos(), QPointF(0, 0));
    QVERIFY(barImage().height() <= ui().gvFrames->viewport()->height() + 1);
}

// The command line's capture is loaded while the window is built, before its layout gave the
// strip its size; the strip's first layout brings the scroller to that size.
void TestFrameScroller::captureOpenedBeforeTheWindowShows()
{
    window.reset();
    QFile file(env.path(QStringLiteral("start.drf3")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::randomCapture(300, 7));
    file.close();

    window = std::make_unique<Framescope>(file.fileName());
    QVERIFY(FramescopeProbe::settle(*window));
    QCOMPARE(FramescopeProbe::frameCount(*window), 300);
    window->resize(840, 601);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get(), HangGuardMs));
    // The load brought the log to the front; the frames' page is laid out once it shows, and
    // the scroller is then built for the strip's size.
    QCOMPARE(ui().tabs->currentIndex(), 1);
    ui().tabs->setCurrentIndex(0);
    const auto builtForTheStrip = [this] {
        const int height = ui().gvFrames->viewport()->height();
        return height > 150
               && qAbs(FramescopeProbe::scene(*window).sceneRect().height() - (height - 1)) < 1e-6;
    };
    QTRY_VERIFY_WITH_TIMEOUT(builtForTheStrip(), HangGuardMs);

    const int viewH = ui().gvFrames->viewport()->height();
    QCOMPARE(window->frameItemHeight(), double(viewH - headerH()) / 300);
    QVERIFY(qAbs(FramescopeProbe::scene(*window).sceneRect().height() - (viewH - 1)) < 1e-6);
    QVERIFY(barImage().height() >= viewH - 1);
    QCOMPARE(trackerTop(), double(headerH()));
}

void TestFrameScroller::emptyLoadAfterFramesDropsTheTracker()
{
    show(repeated(Red, 50));
    QVERIFY(tracker());
    show({});
    QVERIFY(!tracker());
    QVERIFY(FramescopeProbe::scene(*window).items().isEmpty());
}

void TestFrameScroller::stripCoversFramesThatJoin()
{
    // Frame i at i microseconds, red up to 2000 and blue after, written in two pieces; the
    // second joins the session.
    QByteArray block;
    for (int i = 0; i < 3000; ++i)
        block += CaptureFixture::frameOf(1, i < 2000 ? Red : Blue, 0, i == 0 ? 0 : 312);
    const QByteArray bytes = CaptureBuilder::capture(block);
    GrowingCapture growing(env.path(QStringLiteral("growing.drf3")));
    QVERIFY(growing.start());
    QVERIFY(growing.append(bytes.left(bytes.size() / 3)));
    CaptureSession &session = FramescopeProbe::session(*window);
    session.setCapture(growing.capture);
    ui().tblFrames->doItemsLayout();
    const qint64 before = session.frameCount();
    QVERIFY(before > 500 && before < 2500);
    const double heightBefore = window->frameItemHeight();
    QVERIFY(heightBefore < 1);

    QVERIFY(growing.append(bytes.mid(bytes.size() / 3)));
    session.takeNewFrames();
    QCOMPARE(session.frameCount(), 3000);
    // The same strip holds more frames.
    const double h = window->frameItemHeight();
    QVERIFY(h < heightBefore);
    const QImage image = barImage();
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixelColor(3, int(ScrollerGeometry::barTop(500, h, headerH()))).rgba(),
             QColor(Qt::red).rgba());
    QCOMPARE(image.pixelColor(3, int(ScrollerGeometry::barTop(2900, h, headerH()))).rgba(),
             QColor(Qt::blue).rgba());

    // A new frame's bar names it and takes the table there.
    const QPoint at = ui().gvFrames->mapFromScene(
        QPointF(5, ScrollerGeometry::barTop(2700, h, headerH()) + h / 2));
    const qint64 named = frameAt(at, 3000, nullptr);
    QVERIFY(named >= before);
    hover(at);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), HangGuardMs);
    QCOMPARE(QToolTip::text(),
             QStringLiteral("Frame %1\n%2").arg(named).arg(TimeText::readable(named * 1000)));
    QTest::mouseClick(ui().gvFrames->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(session.currentFrame(), named);
}

QTEST_MAIN(TestFrameScroller)
#include "tst_framescroller.moc"

void TestFrameScroller::clickMovesTheTable()
{
    show(repeated(Blue, 20000));
    const double h = window->frameItemHeight();
    QWidget *viewport = ui().gvFrames->viewport();
    QCOMPARE(topRow(), 0);
    const int pageRows = ui().tblFrames->viewport()->height() / rowH();

    // Beside the tracker: the clicked row comes to the middle of the table.
    const QPoint at = ui().gvFrames->mapFromScene(
        QPointF(5, ScrollerGeometry::barTop(12000, h, headerH()) + h / 2));
    const qint64 clicked = frameAt(at, 20000, nullptr);
    QVERIFY(qAbs(clicked - 12000) < 2 / h);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(topRow(), clicked - pageRows / 2);
    // It is the current frame, in the table and the detail panel.
    QCOMPARE(FramescopeProbe::session(*window).currentFrame(), clicked);
    QCOMPARE(ui().tblFrames->currentShownRow(), clicked);
    QCOMPARE(FramescopeProbe::statusLabel(*window)->text(),
             FrameDetail::statusText(FramescopeProbe::capture(*window)->frame(clicked)));
    // The tracker is over the clicked frame (its top lies a pixel below the bars' tops).
    const double clickedTop = ScrollerGeometry::barTop(clicked, h, headerH()) + 1;
    QVERIFY(trackerTop() <= clickedTop + 1e-6);
    QVERIFY(clickedTop <= trackerTop() + tracker()->rect().height());
    QVERIFY(!tracker()->isDragged());

    // At the first bar the table goes back to its first row.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier,
                      ui().gvFrames->mapFromScene(QPointF(5, headerH() - 1)));
    QCOMPARE(topRow(), 0);

    // Below the bars of a table that fits there is no row to go to.
    show({Red, Red, Red});
    const int before = topRow();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier,
                      QPoint(5, viewport->height() - 2));
    QCOMPARE(topRow(), before);
}

void TestFrameScroller::hoverNamesTheFrame()
{
    // Frame i at i microseconds; frames 20000 on at 20 ms and more.
    QByteArray block;
    for (int i = 0; i < 30000; ++i)
        block += CaptureFixture::frameOf(1, Red, 0, i == 0 ? 0 : 312);
    FramescopeProbe::showCapture(*window, CaptureFixture::load3G(block));
    QCoreApplication::processEvents();
    const double h = window->frameItemHeight();
    const QPoint at = ui().gvFrames->mapFromScene(
        QPointF(5, ScrollerGeometry::barTop(21000, h, headerH()) + h / 2));
    const qint64 row = frameAt(at, 30000, nullptr);
    QVERIFY(qAbs(row - 21000) < 2 / h);
    hover(at);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), HangGuardMs);
    QCOMPARE(QToolTip::text(),
             QStringLiteral("Frame %1\n%2").arg(row).arg(TimeText::readable(row * 1000)));

    // Above the bars, nothing.
    hover(QPoint(5, 0));
    QTRY_VERIFY_WITH_TIMEOUT(!QToolTip::isVisible(), HangGuardMs);
}

void TestFrameScroller::stripUnderAFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("frame");

    QTest::newRow("hidden stretch") << "frame >= 2000" << 100;
    QTest::newRow("shown stretch") << "frame >= 2000" << 2500;
    QTest::newRow("every third frame shown") << "channel == 6" << 1500;
}

// With a display filter the strip still shows every frame: its bars answer for their own frames,
// the shown ones first where a pixel row holds several, and a click makes the frame current, or
// the nearest shown one.
void TestFrameScroller::stripUnderAFilter()
{
    QFETCH(QString, filter);
    QFETCH(int, frame);
    // Frame i at i microseconds, of channel types red, white, blue in turn.
    QByteArray block;
    for (int i = 0; i < 3000; ++i)
        block += CaptureFixture::frameOf(1, Red + i % 3, 0, i == 0 ? 0 : 312);
    FramescopeProbe::showCapture(*window, CaptureFixture::load3G(block));
    ui().filterBar->setText(filter);
    ui().filterBar->applyButton()->click();
    QVERIFY(FramescopeProbe::settle(*window));
    const CaptureSession &session = FramescopeProbe::session(*window);
    const FrameRows &rows = session.rows();
    QVERIFY(rows.isFiltered() && rows.count() >= 1000);
    const double h = window->frameItemHeight();
    QVERIFY(h < 1);
    QVERIFY(tracker());

    const QPoint at = ui().gvFrames->mapFromScene(
        QPointF(5, ScrollerGeometry::barTop(frame, h, headerH()) + h / 2));
    // A hidden frame is named only where no shown frame's bar paints its pixel row.
    const auto pixel = qint64(std::floor(ui().gvFrames->mapToScene(at).y()));
    const ScrollerGeometry::Bars bars = ScrollerGeometry::barsReaching(pixel, h, headerH(), 3000);
    const bool anyShown = rows.bitmap()->previousSet(bars.last) >= bars.first;
    const qint64 named = frameAt(at, 3000, rows.bitmap());
    QVERIFY(bars.first <= named && named <= bars.last);
    QCOMPARE(rows.isShown(named), anyShown);
    QVERIFY(qAbs(named - frame) < 2 / h);

    hover(at);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), HangGuardMs);
    const QString time = TimeText::readable(named * 1000);
    QCOMPARE(QToolTip::text(), anyShown ? QStringLiteral("Frame %1\n%2").arg(named).arg(time)
                                        : QStringLiteral("Frame %1 (not shown)\n%2")
                                              .arg(named)
                                              .arg(time));

    // The click goes there, as Find Frame does: the frame, or the nearest shown one.
    const qint64 current = rows.frameAt(rows.nearestRow(named));
    QCOMPARE(current == named, anyShown);
    QTest::mouseClick(ui().gvFrames->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(session.currentFrame(), current);
    QCOMPARE(ui().tblFrames->currentShownRow(), rows.rowOf(current));
    QCOMPARE(FramescopeProbe::statusLabel(*window)->text(),
             FrameDetail::statusText(session.capture()->frame(current)));
    if (!anyShown) {
        QCOMPARE(FramescopeProbe::note(*window),
                 QStringLiteral("Frame %1 is not shown; went to frame %2, the nearest shown frame.")
                     .arg(named)
                     .arg(current));
    }
}
