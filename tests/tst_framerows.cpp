// SPDX-License-Identifier: GPL-3.0-or-later
#include "framebits.h"

#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"

#include <QRandomGenerator>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Korvex;

using FrameBits::bitmapOf;

/// The table's rows and the frames they show: every frame, or the frames of a display filter's
/// bitmap, mapped both ways and to the nearest shown frame.
class TestFrameRows : public QObject
{
    Q_OBJECT

private slots:
    void everyFrame();
    void bitmapAgreesWithAPlainList_data();
    void bitmapAgreesWithAPlainList();
    void nearestRow_data();
    void nearestRow();
};

void TestFrameRows::everyFrame()
{
    const FrameRows rows(100);
    QVERIFY(!rows.isFiltered());
    QCOMPARE(rows.count(), qint64(100));
    QCOMPARE(rows.frameAt(42), qint64(42));
    QCOMPARE(rows.rowOf(99), qint64(99));
    QCOMPARE(rows.frameAt(100), qint64(-1));
    QCOMPARE(rows.rowOf(-1), qint64(-1));
    QCOMPARE(rows.nearestRow(500), qint64(99));
    QCOMPARE(FrameRows(0).nearestRow(0), qint64(-1));
}

void TestFrameRows::bitmapAgreesWithAPlainList_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("percent");

    QTest::newRow("none") << qint64(1000) << 0;
    QTest::newRow("sparse") << qint64(100000) << 1;
    QTest::newRow("half, odd size") << qint64(70001) << 50;
    QTest::newRow("nearly all") << qint64(4099) << 99;
    QTest::newRow("all") << qint64(640) << 100;
}

void TestFrameRows::bitmapAgreesWithAPlainList()
{
    QFETCH(qint64, size);
    QFETCH(int, percent);
    QRandomGenerator random{quint32(size)};
    std::vector<qint64> frames;
    for (qint64 n = 0; n < size; ++n) {
        if (int(random.bounded(100)) < percent)
            frames.push_back(n);
    }
    const FrameRows rows(bitmapOf(size, QList<qint64>(frames.begin(), frames.end())));
    QVERIFY(rows.isFiltered());
    QCOMPARE(rows.total(), size);
    QCOMPARE(rows.count(), qint64(frames.size()));
    for (std::size_t row = 0; row < frames.size(); ++row) {
        if (rows.frameAt(qint64(row)) != frames[row] || rows.rowOf(frames[row]) != qint64(row))
            QFAIL(qPrintable(QStringLiteral("row %1, frame %2").arg(row).arg(frames[row])));
    }
    QCOMPARE(rows.frameAt(qint64(frames.size())), qint64(-1));
    // Frames not shown have no row; the bitmap's neighbours agree with the list.
    const FrameBitmap &bits = *rows.bitmap();
    std::size_t next = 0;
    for (qint64 n = 0; n < size; n += 7) {
        while (next < frames.size() && frames[next] < n)
            ++next;
        const bool shown = next < frames.size() && frames[next] == n;
        QCOMPARE(rows.isShown(n), shown);
        QCOMPARE(bits.nextSet(n), next < frames.size() ? frames[next] : qint64(-1));
        const qint64 previous = shown ? n : next > 0 ? frames[next - 1] : -1;
        QCOMPARE(bits.previousSet(n), previous);
    }
}

void TestFrameRows::nearestRow_data()
{
    QTest::addColumn<qint64>("frame");
    QTest::addColumn<qint64>("row");

    // Frames 10, 20 and 31 shown (rows 0, 1 and 2).
    QTest::newRow("shown") << qint64(20) << qint64(1);
    QTest::newRow("before the first") << qint64(3) << qint64(0);
    QTest::newRow("nearer the earlier") << qint64(13) << qint64(0);
    QTest::newRow("tie goes to the earlier") << qint64(15) << qint64(0);
    QTest::newRow("nearer the later") << qint64(26) << qint64(2);
    QTest::newRow("after the last") << qint64(39) << qint64(2);
    QTest::newRow("past the capture") << qint64(1000) << qint64(2);
    QTest::newRow("negative") << qint64(-5) << qint64(0);
}

void TestFrameRows::nearestRow()
{
    QFETCH(qint64, frame);
    QFETCH(qint64, row);
    const FrameRows rows(bitmapOf(40, {10, 20, 31}));
    QCOMPARE(rows.nearestRow(frame), row);
    QCOMPARE(FrameRows(bitmapOf(40, {})).nearestRow(frame), qint64(-1));
}

QTEST_GUILESS_MAIN(TestFrameRows)
#include "tst_framerows.moc"
