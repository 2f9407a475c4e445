// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/axisticks.h"
#include "core/text/numbertext.h"
#include "core/text/timetext.h"

#include <QLocale>
#include <QtTest>

using namespace Korvex;

/// Figures as people read them: chart ticks at 1-2-5 steps in a unit that suits them, times
/// in a readable unit and digits grouped.
class TestAxisTicks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English)); }
    void ticks_data();
    void ticks();
    void brief_data();
    void brief();
    void grouped();
};

void TestAxisTicks::ticks_data()
{
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("smallest");
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("seconds") << 0.0 << 4.2e9 << 0.0 << 1e9 << "s"
                             << QStringList({"0", "1", "2", "3", "4"});
    QTest::newRow("not quarters") << 0.0 << 321.0 << 0.0 << 100.0 << "ns"
                                  << QStringList({"0", "100", "200", "300"});
    QTest::newRow("fractions of a ms") << 1.0e6 << 1.6e6 << 0.0 << 2e5 << "ms"
                                       << QStringList({"1.0", "1.2", "1.4", "1.6"});
    // Not "2.000 001 s", nor seconds with six decimals.
    QTest::newRow("fine steps far from 0") << 2.0e9 << 2.000004e9 << 0.0 << 1e3 << "ms"
                                           << QStringList({"2,000.000", "2,000.001", "2,000.002",
                                                           "2,000.003", "2,000.004"});
    QTest::newRow("whole counts") << 0.0 << 3.0 << 1.0 << 1.0 << "ns"
                                  << QStringList({"0", "1", "2", "3"});
    QTest::newRow("empty range") << 5.0 << 5.0 << 0.0 << 1.0 << "ns" << QStringList({"5"});
}

void TestAxisTicks::ticks()
{
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, smallest);
    QFETCH(QStringList, labels);
    const AxisTicks ticks(low, high, 5, smallest);
    QTEST(ticks.step(), "step");
    QTEST(ticks.timeUnit().name, "unit");
    QStringList shown;
    for (const double value : ticks.values())
        shown << ticks.timeLabel(value);
    QCOMPARE(shown, labels);
}

void TestAxisTicks::brief_data()
{
    QTest::addColumn<double>("ns");
    QTest::addColumn<QString>("text");
    QTest::newRow("ns") << 999.0 << "999 ns";
    QTest::newRow("a mean") << 99.54 << "99.5 ns";
    QTest::newRow("rounds to 1 µs") << 999.54 << "1.000 µs";
    QTest::newRow("rounds up to the next unit") << 999999.9996 << "1.000 ms";
    QTest::newRow("µs") << 88000.0 << "88.000 µs";
    QTest::newRow("grouped seconds") << 1234.5e9 << "1,234.500 s";
    QTest::newRow("negative") << -1234567.0 << "-1.235 ms";
    QTest::newRow("not a number") << qQNaN() << "";
}

void TestAxisTicks::brief()
{
    QFETCH(double, ns);
    QTEST(TimeText::brief(ns), "text");
}

void TestAxisTicks::grouped()
{
    QCOMPARE(NumberText::grouped(qint64(100000000)), QStringLiteral("100,000,000"));
    QCOMPARE(NumberText::grouped(qint64(-1234)), QStringLiteral("-1,234"));
    QCOMPARE(NumberText::perSecond(88987.84), QStringLiteral("88,987.8 /s"));
    QCOMPARE(AxisTicks(0, 4e6, 4, 1).countLabel(4e6), QStringLiteral("4,000,000"));
}

QTEST_MAIN(TestAxisTicks)
#include "tst_axisticks.moc"
