// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/printlayout.h"

#include <QtTest>

#include <limits>

using namespace Korvex;

namespace {

// Lines 10 high, padding 1, 10 above and below the table.
PrintLayout::Page page(qreal width, qreal height)
{
    return PrintLayout::Page{width, height, 10, 1, 10, 10};
}

// Groups 4 wide with 2 between them, the narrowest text of the column 8 wide.
PrintLayout::Wrap wrap(int column, qreal group = 4, qreal space = 2)
{
    return PrintLayout::Wrap{column, group, space, 8};
}

} // namespace

/// The printed table's geometry: column widths, wrapping, scaling and page breaks.
class TestPrintLayout : public QObject
{
    Q_OBJECT

private slots:
    void columns_data();
    void columns();
    void lines_data();
    void lines();
    void pages_data();
    void pages();
};

void TestPrintLayout::columns_data()
{
    QTest::addColumn<qreal>("pageWidth");
    QTest::addColumn<QList<qreal>>("textWidths");
    QTest::addColumn<int>("wrapColumn");
    QTest::addColumn<QList<qreal>>("widths");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<int>("groupsPerLine");

    const int unlimited = std::numeric_limits<int>::max();
    // A column is its text and 2 of padding.
    QTest::newRow("fits") << 100.0 << QList<qreal>{10, 20} << -1 << QList<qreal>{12, 22} << 1.0
                          << unlimited;
    QTest::newRow("wrapping column on one line")
        << 100.0 << QList<qreal>{10, 34} << 1 << QList<qreal>{12, 36} << 1.0 << 6;
    QTest::newRow("wrapping column takes the rest")
        << 40.0 << QList<qreal>{34, 10} << 0 << QList<qreal>{28, 12} << 1.0 << 4;
    QTest::newRow("narrowest table wider than the page")
        << 20.0 << QList<qreal>{10, 34} << 1 << QList<qreal>{12, 10} << 20.0 / 22 << 1;
    QTest::newRow("too wide, nothing wraps")
        << 17.0 << QList<qreal>{10, 20} << -1 << QList<qreal>{12, 22} << 0.5 << unlimited;
}

void TestPrintLayout::columns()
{
    QFETCH(qreal, pageWidth);
    QFETCH(QList<qreal>, textWidths);
    QFETCH(int, wrapColumn);
    QFETCH(QList<qreal>, widths);
    QFETCH(qreal, scale);
    QFETCH(int, groupsPerLine);

    const PrintLayout layout(page(pageWidth, 500), textWidths, wrap(wrapColumn));
    QList<qreal> laidOut;
    for (int i = 0; i < layout.columnCount(); ++i) {
        QCOMPARE(layout.columnLeft(i), i == 0 ? 0 : layout.columnLeft(i - 1) + laidOut.last());
        laidOut.append(layout.columnWidth(i));
    }
    QCOMPARE(laidOut, widths);
    QCOMPARE(layout.scale(), scale);
    QCOMPARE(layout.pageHeight(), 500 / scale);
    QVERIFY(layout.tableWidth() <= layout.pageWidth() + 1e-9);
    QCOMPARE(layout.groupsPerLine(), groupsPerLine);
}

void TestPrintLayout::lines_data()
{
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("lines");
    QTest::newRow("no groups") << 0 << 1;
    QTest::newRow("a full line") << 7 << 1;
    QTest::newRow("one more") << 8 << 2;
    QTest::newRow("the longest payload") << 32 << 5;
}

void TestPrintLayout::lines()
{
    QFETCH(int, groups);
    QFETCH(int, lines);
    // Seven groups measured in fractions that do not add up exactly in binary.
    const PrintLayout layout(page(100, 100), {7 * 0.1 + 6 * 0.2}, wrap(0, 0.1, 0.2));
    QCOMPARE(layout.groupsPerLine(), 7);
    QCOMPARE(layout.linesFor(groups), lines);
    QCOMPARE(layout.rowHeight(lines), lines * 10.0 + 2);
}

void TestPrintLayout::pages_data()
{
    QTest::addColumn<QList<int>>("rowLines");
    QTest::addColumn<QList<qint64>>("pageStarts");

    // Page height 94: 10 above, the header row (12) and 10 below leave 62, five one-line rows.
    QTest::newRow("no rows: the header row") << QList<int>() << QList<qint64>{0};
    QTest::newRow("a full page") << QList<int>(5, 1) << QList<qint64>{0};
    QTest::newRow("three pages") << QList<int>(11, 1) << QList<qint64>{0, 5, 10};
    // 32 + 22 fit, 12 more do not; 12 + 12 + 42 do not.
    QTest::newRow("rows of several lines") << QList<int>{3, 2, 1, 1, 4} << QList<qint64>{0, 2, 4};
    QTest::newRow("a row taller than a page has one to itself")
        << QList<int>{1, 9, 1} << QList<qint64>{0, 1, 2};
}

void TestPrintLayout::pages()
{
    QFETCH(QList<int>, rowLines);
    QFETCH(QList<qint64>, pageStarts);

    const PrintLayout layout(page(100, 94), {10}, wrap(-1));
    QList<qint64> starts;
    qint64 first = 0;
    do {
        starts.append(first);
        first = layout.pageEnd(first, rowLines.size(),
                               [&rowLines](qint64 row) { return rowLines.at(row); });
    } while (first < rowLines.size() && starts.size() <= rowLines.size());
    QCOMPARE(starts, pageStarts);
}

QTEST_APPLESS_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
