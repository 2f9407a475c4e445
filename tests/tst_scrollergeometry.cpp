// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/scrollergeometry.h"

#include "framebits.h"

#include "core/filters/framebitmap.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Korvex;

/// The frame scroller's maths: frame height, bars, their pixel rows, the tracker, the row a
/// tracker position stands for and the frame a position of the strip stands for.
class TestScrollerGeometry : public QObject
{
    Q_OBJECT

private slots:
    void itemHeight_data();
    void itemHeight();
    void bars_data();
    void bars();
    void sceneHeight();
    void trackerRect_data();
    void trackerRect();
    void rowAt_data();
    void rowAt();
    void rowAtIsExactOnTheGrid_data();
    void rowAtIsExactOnTheGrid();
    void lastBarFrom_data() { rowAtIsExactOnTheGrid_data(); }
    void lastBarFrom();
    void rowAtY_data();
    void rowAtY();
    void frameAtYAsPainted_data() { rowAtIsExactOnTheGrid_data(); }
    void frameAtYAsPainted();
};

using FrameBits::bitmapOf;

void TestScrollerGeometry::itemHeight_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<int>("rowH");
    QTest::addColumn<int>("headerH");
    QTest::addColumn<int>("tableH");
    QTest::addColumn<int>("viewH");
    QTest::addColumn<double>("h");

    QTest::newRow("ten rows fit") << qint64(10) << 30 << 23 << 400 << 398 << 30.0;
    QTest::newRow("exactly fits") << qint64(10) << 30 << 20 << 320 << 318 << 30.0;
    QTest::newRow("one pixel short") << qint64(10) << 30 << 20 << 319 << 420 << 40.0;
    QTest::newRow("10,000 frames") << qint64(10000) << 30 << 20 << 402 << 400 << 0.038;
    QTest::newRow("a million frames") << qint64(1000000) << 30 << 20 << 402 << 420 << 0.0004;
    // 30 pixels times a hundred million rows does not fit into an int.
    QTest::newRow("a hundred million frames") << qint64(100000000) << 30 << 20 << 402 << 420
                                              << 0.000004;
}

void TestScrollerGeometry::itemHeight()
{
    QFETCH(qint64, count);
    QFETCH(int, rowH);
    QFETCH(int, headerH);
    QFETCH(int, tableH);
    QFETCH(int, viewH);
    QFETCH(double, h);
    QVERIFY(qFuzzyCompare(ScrollerGeometry::itemHeight(count, rowH, headerH, tableH, viewH), h));
}

void TestScrollerGeometry::bars_data()
{
    QTest::addColumn<qint64>("i");
    QTest::addColumn<double>("h");
    QTest::addColumn<int>("headerH");
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<qint64>("firstRow");
    QTest::addColumn<qint64>("lastRow");

    QTest::newRow("first row beside the table")
        << qint64(0) << 30.0 << 23 << QRectF(0, 22, 23, 30) << qint64(22) << qint64(52);
    QTest::newRow("row 9 beside the table")
        << qint64(9) << 30.0 << 23 << QRectF(0, 292, 23, 30) << qint64(292) << qint64(322);
    QTest::newRow("compressed bars are one pixel high")
        << qint64(100) << 0.038 << 20 << QRectF(0, 22.8, 23, 1) << qint64(22) << qint64(23);
    QTest::newRow("a fraction above one keeps its whole pixels")
        << qint64(3) << 2.7 << 20 << QRectF(0, 27.1, 23, 2) << qint64(27) << qint64(29);
    QTest::newRow("last of a million")
        << qint64(999999) << 0.0004 << 20 << QRectF(0, 19 + 999999 * 0.0004, 23, 1) << qint64(418)
        << qint64(419);
}

void TestScrollerGeometry::bars()
{
    QFETCH(qint64, i);
    QFETCH(double, h);
    QFETCH(int, headerH);
    QFETCH(QRectF, rect);
    const QRectF bar = ScrollerGeometry::barRect(i, h, headerH, 23);
    QCOMPARE(bar.x(), rect.x());
    QVERIFY(qFuzzyCompare(bar.y(), rect.y()));
    QCOMPARE(bar.width(), rect.width());
    QCOMPARE(bar.height(), rect.height());
    const ScrollerGeometry::PixelRows rows = ScrollerGeometry::barRows(i, h, headerH);
    QTEST(rows.first, "firstRow");
    QTEST(rows.last, "lastRow");
}

void TestScrollerGeometry::sceneHeight()
{
    QCOMPARE(ScrollerGeometry::sceneHeight(10, 30.0, 23), 322.0);
    // Compressed, the bars fill the viewport below the header: just under its height.
    const double h = ScrollerGeometry::itemHeight(10000, 30, 20, 402, 400);
    QVERIFY(qAbs(ScrollerGeometry::sceneHeight(10000, h, 20) - 399.0) < 1e-9);
}

void TestScrollerGeometry::trackerRect_data()
{
    QTest::addColumn<int>("topRow");
    QTest::addColumn<int>("bottomRow");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<double>("h");
    QTest::addColumn<QRectF>("rect");

    QTest::newRow("all ten rows shown") << 0 << -1 << qint64(10) << 30.0
                                        << QRectF(0, 23, 21, 300);
    QTest::newRow("scrolled table") << 40 << 51 << qint64(100) << 3.5
                                    << QRectF(0, 23 + 140, 21, 42);
    QTest::newRow("at least three pixels") << 0 << 11 << qint64(10000) << 0.038
                                           << QRectF(0, 23, 21, 3);
    QTest::newRow("height truncated") << 9000 << 9099 << qint64(10000) << 0.038
                                      << QRectF(0, 23 + 342, 21, 3);
    QTest::newRow("truncated, not rounded") << 0 << 99 << qint64(10000) << 0.0399
                                            << QRectF(0, 23, 21, 3);
    QTest::newRow("list ends above the bottom") << 95 << -1 << qint64(100) << 4.0
                                                << QRectF(0, 23 + 380, 21, 20);
}

void TestScrollerGeometry::trackerRect()
{
    QFETCH(int, topRow);
    QFETCH(int, bottomRow);
    QFETCH(qint64, count);
    QFETCH(double, h);
    QFETCH(QRectF, rect);
    const QRectF tracker = ScrollerGeometry::trackerRect(topRow, bottomRow, count, h, 23, 21);
    QVERIFY2(qAbs(tracker.top() - rect.top()) < 1e-9, qPrintable(QString::number(tracker.top())));
    QCOMPARE(tracker.height(), rect.height());
    QCOMPARE(tracker.left(), 0.0);
    QCOMPARE(tracker.width(), rect.width());
}

void TestScrollerGeometry::rowAt_data()
{
    QTest::addColumn<double>("sceneTop");
    QTest::addColumn<double>("h");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("row");

    QTest::newRow("on the header") << 23.0 << 30.0 << qint64(100) << qint64(0);
    QTest::newRow("just short of a row") << 23.0 + 59 << 30.0 << qint64(100) << qint64(1);
    QTest::newRow("one row height down") << 23.0 + 30 << 30.0 << qint64(100) << qint64(1);
    QTest::newRow("above the header") << 10.0 << 30.0 << qint64(100) << qint64(0);
    QTest::newRow("past the last row") << 23.0 + 3000 << 30.0 << qint64(100) << qint64(99);
    QTest::newRow("compressed") << 23.0 + 1.0 << 0.038 << qint64(10000) << qint64(26);
    QTest::newRow("empty list") << 100.0 << 30.0 << qint64(0) << qint64(0);
}

void TestScrollerGeometry::rowAt()
{
    QFETCH(double, sceneTop);
    QFETCH(double, h);
    QFETCH(qint64, count);
    QTEST(ScrollerGeometry::rowAt(sceneTop, h, 23, count), "row");
}

void TestScrollerGeometry::rowAtIsExactOnTheGrid_data()
{
    QTest::addColumn<double>("h");
    QTest::addColumn<qint64>("count");

    QTest::newRow("row height") << 30.0 << qint64(13);
    QTest::newRow("0.1") << 0.1 << qint64(5000);
    QTest::newRow("10,000 frames in 380 pixels") << 380.0 / 10000 << qint64(10000);
    QTest::newRow("a million frames in 397 pixels") << 397.0 / 1000000 << qint64(1000000);
}

// The tracker's top after a scroll stands for the table's top row, never the one above it.
void TestScrollerGeometry::rowAtIsExactOnTheGrid()
{
    QFETCH(double, h);
    QFETCH(qint64, count);
    const int step = int(qMax<qint64>(1, count / 997));
    for (int row = 0; row < count; row += step) {
        const double top = ScrollerGeometry::trackerRect(row, -1, count, h, 23, 21).top();
        QCOMPARE(ScrollerGeometry::rowAt(top, h, 23, count), row);
        // Dragging by one frame height moves one row on.
        if (row + 1 < count)
            QCOMPARE(ScrollerGeometry::rowAt(top + h, h, 23, count), row + 1);
    }
}

// The strip is painted pixel row by pixel row from the last bar that starts at or above it.
void TestScrollerGeometry::lastBarFrom()
{
    QFETCH(double, h);
    QFETCH(qint64, count);
    const qint64 lastRow = ScrollerGeometry::barRows(count - 1, h, 23).last + 2;
    qint64 bar = -1;
    for (qint64 y = 0; y <= lastRow; ++y) {
        while (bar + 1 < count && ScrollerGeometry::barRows(bar + 1, h, 23).first <= y)
            ++bar;
        QCOMPARE(ScrollerGeometry::lastBarFrom(y, h, 23, count), bar);
    }
    QCOMPARE(ScrollerGeometry::lastBarFrom(5, h, 23, 0), qint64(-1));
}

QTEST_APPLESS_MAIN(TestScrollerGeometry)
#include "tst_scrollergeometry.moc"

void TestScrollerGeometry::rowAtY_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("h");
    QTest::addColumn<qint64>("count");
    QTest::addColumn<qint64>("row");

    // Bars start one pixel above the header's bottom (23): bar 0 at 22.
    QTest::newRow("above the first bar") << 21.9 << 30.0 << qint64(10) << qint64(-1);
    QTest::newRow("first pixel of the first bar") << 22.0 << 30.0 << qint64(10) << qint64(0);
    QTest::newRow("last pixel of a bar") << 22.0 + 2 * 30 - 0.5 << 30.0 << qint64(10) << qint64(1);
    QTest::newRow("first pixel of the next") << 22.0 + 2 * 30 << 30.0 << qint64(10) << qint64(2);
    QTest::newRow("last bar") << 22.0 + 299 << 30.0 << qint64(10) << qint64(9);
    QTest::newRow("below the last bar") << 22.0 + 300 << 30.0 << qint64(10) << qint64(-1);
    QTest::newRow("a pixel of many frames") << 22.0 + 100 << 0.004 << qint64(100000)
                                            << qint64(25000);
    QTest::newRow("on the grid of a fraction") << 22.0 + 3 * 0.1 << 0.1 << qint64(100)
                                               << qint64(3);
    QTest::newRow("bottom of a hundred million") << 22.0 + 399.99 << 0.000004
                                                 << qint64(100000000) << qint64(99997500);
    QTest::newRow("no frames") << 30.0 << 30.0 << qint64(0) << qint64(-1);
}

void TestScrollerGeometry::rowAtY()
{
    QFETCH(double, y);
    QFETCH(double, h);
    QFETCH(qint64, count);
    QTEST(ScrollerGeometry::rowAtY(y, h, 23, count), "row");
}

// Under a filter, every position of the strip answers for a frame whose bar paints its pixel
// row: a shown one wherever one does, the nearest to the frame under the position (the earlier
// of two as near); else the frame under it.
void TestScrollerGeometry::frameAtYAsPainted()
{
    QFETCH(double, h);
    QFETCH(qint64, count);
    QRandomGenerator random(11);
    QList<qint64> someFrames;
    for (qint64 frame = 0; frame < count; frame += 1 + qint64(random.bounded(40)))
        someFrames.append(frame);
    const std::shared_ptr<FrameBitmap> shown = bitmapOf(count, someFrames);
    const qint64 lastRow = ScrollerGeometry::barRows(count - 1, h, 23).last;
    qint64 firstReaching = 0;
    for (qint64 pixel = 22; pixel <= lastRow; ++pixel) {
        while (firstReaching < count && ScrollerGeometry::barRows(firstReaching, h, 23).last < pixel)
            ++firstReaching;
        for (const double y : {double(pixel), pixel + 0.5}) {
            const qint64 under = ScrollerGeometry::rowAtY(y, h, 23, count);
            const qint64 frame = ScrollerGeometry::frameAtY(y, h, 23, count, shown.get());
            if (under < 0) {
                QCOMPARE(frame, qint64(-1));
                continue;
            }
            qint64 nearest = -1;
            for (qint64 bar = firstReaching;
                 bar < count && ScrollerGeometry::barRows(bar, h, 23).first <= pixel; ++bar) {
                if (shown->test(bar) && (nearest < 0 || qAbs(bar - under) < qAbs(nearest - under)))
                    nearest = bar;
            }
            QCOMPARE(frame, nearest >= 0 ? nearest : under);
            QVERIFY(ScrollerGeometry::barRows(frame, h, 23).first <= pixel);
            QVERIFY(ScrollerGeometry::barRows(frame, h, 23).last >= pixel);
        }
    }
}
