// SPDX-License-Identifier: GPL-3.0-or-later
#include "printruns.h"

#include <QtTest>

using namespace Korvex;

/// Which rows of the table a printout holds: selected runs, a frame range.
class TestPrintRows : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void frames_data();
    void frames();
    void rowAt();
};

void TestPrintRows::runs_data()
{
    QTest::addColumn<Runs>("given");
    QTest::addColumn<Runs>("kept");

    // Of a table of 100 rows.
    QTest::newRow("sorted") << Runs{{50, 60}, {5, 6}} << Runs{{5, 6}, {50, 60}};
    QTest::newRow("overlapping merged") << Runs{{5, 20}, {10, 30}, {12, 15}} << Runs{{5, 30}};
    QTest::newRow("adjoining merged") << Runs{{0, 2}, {2, 4}} << Runs{{0, 4}};
    QTest::newRow("cut to the table") << Runs{{-5, 3}, {98, 120}} << Runs{{0, 3}, {98, 100}};
    QTest::newRow("empty and outside dropped") << Runs{{7, 7}, {9, 3}, {100, 200}} << Runs();
}

void TestPrintRows::runs()
{
    QFETCH(Runs, given);
    QFETCH(Runs, kept);
    QList<PrintRows::Run> runs;
    qint64 count = 0;
    for (const auto &run : std::as_const(given))
        runs.append({run.first, run.second});
    for (const auto &run : std::as_const(kept))
        count += run.second - run.first;
    const PrintRows rows = PrintRows::runs(FrameRows(100), runs);
    QCOMPARE(runsOf(rows), kept);
    QCOMPARE(rows.count(), count);
}

void TestPrintRows::frames_data()
{
    QTest::addColumn<qint64>("from");
    QTest::addColumn<qint64>("to");
    QTest::addColumn<Runs>("kept");

    // Of 10 frames.
    QTest::newRow("inner") << qint64(2) << qint64(5) << Runs{{2, 6}};
    QTest::newRow("either order") << qint64(5) << qint64(2) << Runs{{2, 6}};
    QTest::newRow("one frame") << qint64(3) << qint64(3) << Runs{{3, 4}};
    QTest::newRow("past the last") << qint64(8) << qint64(500) << Runs{{8, 10}};
    QTest::newRow("all past the last") << qint64(10) << qint64(20) << Runs();
    QTest::newRow("up to the largest number")
        << qint64(4) << std::numeric_limits<qint64>::max() << Runs{{4, 10}};
}

void TestPrintRows::frames()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(Runs, kept);
    QCOMPARE(runsOf(PrintRows::frames(FrameRows(10), from, to)), kept);
}

void TestPrintRows::rowAt()
{
    const PrintRows rows = PrintRows::runs(FrameRows(20), {{12, 13}, {2, 4}, {7, 9}});
    QList<qint64> walked;
    for (qint64 position = 0; position < rows.count(); ++position)
        walked.append(rows.rowAt(position));
    QCOMPARE(walked, (QList<qint64>{2, 3, 7, 8, 12}));
}

QTEST_APPLESS_MAIN(TestPrintRows)
#include "tst_printrows.moc"
