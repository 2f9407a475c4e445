// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/fields/fielddefinitions.h"
#include "core/stats/fieldtimeseries.h"

#include <QtTest>

using namespace Korvex;

namespace {

// Channel 2 with a 32-bit payload, and channel 3 (another message) with the same size.
constexpr quint8 Channel2 = (1 << 5) | (2 << 1);
constexpr quint8 Channel3 = (1 << 5) | (3 << 1);

struct Frame
{
    quint64 ns;
    quint8 header;
    quint8 byte0;
};

} // namespace

Q_DECLARE_METATYPE(QList<QPointF>)

/// A field over time, summed up per interval for the step line: the points drawn and the frame
/// a time leads to.
class TestFieldTimeSeries : public QObject
{
    Q_OBJECT

private slots:
    void stepLine_data();
    void stepLine();
};

void TestFieldTimeSeries::stepLine_data()
{
    QTest::addColumn<QList<Frame>>("frames");
    QTest::addColumn<QList<QPointF>>("points");
    // (ns, frame expected there) pairs.
    QTest::addColumn<QList<QPair<quint64, qint64>>>("frameAt");

    // Intervals of 100 ns from 1000 ns, 11 of them; the line is in units of intervals from 0.
    // The value is the signed first byte halved.
    QTest::newRow("no frame of the message")
        << QList<Frame>{{1500, Channel3, 8}} << QList<QPointF>{}
        << QList<QPair<quint64, qint64>>{{1500, -1}};
    QTest::newRow("a value holds until the next frame")
        << QList<Frame>{{1050, Channel2, 6}, {1350, Channel2, 0xFE}, {1400, Channel3, 9}}
        << QList<QPointF>{{10, 3}, {13, 3}, {13, -1}, {21, -1}}
        << QList<QPair<quint64, qint64>>{
               {999, -1}, {1000, 0}, {1299, 0}, {1300, 1}, {1399, 1}, {1400, 1}, {9999, 1}};
    QTest::newRow("one interval gives its smallest, largest and last value")
        << QList<Frame>{{1210, Channel2, 10}, {1220, Channel2, 2}, {1230, Channel2, 18},
                        {1240, Channel2, 8}, {1600, Channel2, 8}}
        << QList<QPointF>{{12, 1}, {12, 9}, {12, 4}, {16, 4}, {21, 4}}
        << QList<QPair<quint64, qint64>>{{1100, -1}, {1250, 0}, {1500, 3}, {1600, 4}};
    QTest::newRow("times before and after the stretch go to the first and last interval")
        << QList<Frame>{{10, Channel2, 2}, {99999, Channel2, 4}}
        << QList<QPointF>{{10, 1}, {20, 1}, {20, 2}, {21, 2}}
        << QList<QPair<quint64, qint64>>{{1000, 0}, {1999, 0}, {2000, 1}};
}

void TestFieldTimeSeries::stepLine()
{
    QFETCH(QList<Frame>, frames);
    QFETCH(QList<QPointF>, points);
    using FrameAt = QList<QPair<quint64, qint64>>;
    QFETCH(FrameAt, frameAt);

    QStringList errors;
    const auto definitions = FieldDefinitions::parse(
        "format = 1\n"
        "[[message]]\nname = \"Other\"\nchannel = 3\n"
        "[[message.field]]\nname = \"v\"\nstart = 0\nlength = 8\n"
        "[[message]]\nname = \"Gain\"\nchannel = 2\n"
        "[[message.field]]\nname = \"op\"\nstart = 0\nlength = 4\n"
        "[[message.field]]\nname = \"half\"\nstart = 0\nlength = 8\nsigned = true\nscale = 0.5\n",
        QStringLiteral("t.toml"), &errors);
    QVERIFY2(definitions, qPrintable(errors.join(QLatin1Char('\n'))));
    FieldTimeSeries series(definitions, 1, 1, TimeBinning(1000, 1000, 100));
    qint64 number = 0;
    for (const Frame &frame : frames) {
        const uchar payload[4] = {frame.byte0, 0, 0, 0};
        series.add(number++, frame.header, payload, 4, frame.ns);
    }
    QCOMPARE(series.stepLine(100), points);
    for (const auto &[ns, frame] : frameAt)
        QCOMPARE(series.frameAt(ns), frame);
}

QTEST_GUILESS_MAIN(TestFieldTimeSeries)
#include "tst_fieldtimeseries.moc"
