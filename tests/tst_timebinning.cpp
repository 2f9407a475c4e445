// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/stats/capturepass.h"
#include "core/stats/framerateseries.h"
#include "core/stats/gaphistogram.h"
#include "core/stats/timebinning.h"
#include "core/filters/framerows.h"

#include <QRandomGenerator>
#include <QtTest>

#include <map>

using namespace Korvex;

/// The charts' binning: the intervals offered and chosen for a stretch of time, which interval
/// a time falls into, and the frame-rate series and gap histogram of one pass against counts
/// made directly from the records.
class TestTimeBinning : public QObject
{
    Q_OBJECT

private slots:
    void intervals_data();
    void intervals();
    void binOf_data();
    void binOf();
    void seriesAndHistogramMatchTheRecords_data();
    void seriesAndHistogramMatchTheRecords();
    void mergedSeriesMatchesCountingAgain_data();
    void mergedSeriesMatchesCountingAgain();
};

void TestTimeBinning::intervals_data()
{
    QTest::addColumn<quint64>("duration");
    QTest::addColumn<int>("maxBins");
    QTest::addColumn<QList<quint64>>("choices");
    QTest::addColumn<quint64>("automatic");

    // Every frame at one time: a single interval of 1 ns.
    QTest::newRow("no time") << quint64(0) << 2000 << QList<quint64>{1} << quint64(1);
    QTest::newRow("999 ns") << quint64(999) << 200
                            << QList<quint64>{5, 10, 20, 50, 100, 200, 500, 1000} << quint64(5);
    // 1000 ns take 1001 intervals of 1 ns: the last time is in one of its own.
    QTest::newRow("1000 ns") << quint64(1000) << 1001
                             << QList<quint64>{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000}
                             << quint64(10);
    QTest::newRow("1.6 s") << quint64(1599315737) << 2000
                           << QList<quint64>{1000000, 2000000, 5000000, 10000000, 20000000,
                                             50000000, 100000000, 200000000, 500000000,
                                             1000000000, 2000000000}
                           << quint64(10000000);
    QTest::newRow("the longest time") << ~quint64(0) << 20
                                      << QList<quint64>{1000000000000000000ull,
                                                        2000000000000000000ull,
                                                        5000000000000000000ull,
                                                        10000000000000000000ull}
                                      << quint64(5000000000000000000ull);
}

void TestTimeBinning::intervals()
{
    QFETCH(quint64, duration);
    QFETCH(int, maxBins);
    QFETCH(QList<quint64>, choices);
    QCOMPARE(TimeBinning::choices(duration, maxBins), choices);
    // The automatic one aims at AutoBins points; the longest time has no interval that few.
    QTEST(TimeBinning::automatic(duration, duration == ~quint64(0) ? 4 : TimeBinning::AutoBins),
          "automatic");
    for (const quint64 interval : choices) {
        const int bins = TimeBinning::binsFor(duration, interval);
        QVERIFY(bins >= 1 && bins <= maxBins);
    }
}

void TestTimeBinning::binOf_data()
{
    QTest::addColumn<quint64>("ns");
    QTest::addColumn<int>("bin");
    // From 1000 ns on, 10 ns each, over 95 ns: ten intervals.
    QTest::newRow("before the start") << quint64(0) << 0;
    QTest::newRow("the start") << quint64(1000) << 0;
    QTest::newRow("end of the first") << quint64(1009) << 0;
    QTest::newRow("start of the second") << quint64(1010) << 1;
    QTest::newRow("the last time") << quint64(1095) << 9;
    QTest::newRow("after the end") << quint64(5000) << 9;
}

void TestTimeBinning::binOf()
{
    QFETCH(quint64, ns);
    const TimeBinning binning(1000, 95, 10);
    QCOMPARE(binning.bins(), 10);
    QCOMPARE(binning.binStart(3), quint64(1030));
    QTEST(binning.binOf(ns), "bin");
}

void TestTimeBinning::mergedSeriesMatchesCountingAgain_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<quint32>("widest");
    // Stretches of several lengths, whose finest choices differ.
    QTest::newRow("short gaps") << 31u << 300u;
    QTest::newRow("long gaps") << 32u << 7000u;
    QTest::newRow("wide gaps") << 33u << 90000u;
}

void TestTimeBinning::mergedSeriesMatchesCountingAgain()
{
    QFETCH(quint32, seed);
    QFETCH(quint32, widest);
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < 3000; ++i)
        block += CaptureFixture::frameOf(1, 4 + int(random.bounded(3)), 0, random.bounded(widest));
    const auto capture = CaptureFixture::load3G(block);
    QVERIFY(capture);
    const quint64 duration = capture->frame(capture->frameCount() - 1).timeNs();
    const auto count = [&](quint64 interval) {
        FrameRateSeries series(TimeBinning(0, duration, interval), 0);
        CapturePass(*capture, FrameRows(capture->frameCount()))
            .run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
                series.add(frame, header, missing, ticks);
            });
        return series;
    };
    const FrameRateSeries fine = count(FrameRateSeries::baseInterval(duration));
    for (const quint64 interval : TimeBinning::choices(duration)) {
        const FrameRateSeries merged = fine.merged(interval);
        const FrameRateSeries direct = count(interval);
        QCOMPARE(merged.binning().intervalNs(), interval);
        QCOMPARE(merged.bins(), direct.bins());
        for (int bin = 0; bin < direct.bins(); ++bin) {
            QCOMPARE(merged.frameFrom(bin), direct.frameFrom(bin));
            for (int key = 4; key < 7; ++key)
                QCOMPARE(merged.count(bin, key), direct.count(bin, key));
        }
    }
}

void TestTimeBinning::seriesAndHistogramMatchTheRecords_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("looked");
    QTest::addColumn<int>("histogramBins");
    QTest::newRow("all frames") << 21u << 6000 << 50;
    QTest::newRow("first frames displayed") << 22u << 1500 << 7;
    QTest::newRow("more bins than gap lengths") << 23u << 6000 << 100000;
}

void TestTimeBinning::seriesAndHistogramMatchTheRecords()
{
    QFETCH(quint32, seed);
    QFETCH(int, looked);
    QFETCH(int, histogramBins);
    // Bursts: most deltas small, one in fifty near 2^32 ticks; three channel types.
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < 6000; ++i) {
        const quint32 delta = random.bounded(50) == 0 ? 0xFFFF0000u : random.bounded(300u);
        block += CaptureFixture::frameOf(1, 4 + int(random.bounded(3)), 0, delta);
    }
    const auto capture = CaptureFixture::load3G(block);
    QVERIFY(capture);
    const FrameRows rows(looked);
    const quint64 duration = capture->frame(looked - 1).timeNs();
    const TimeBinning binning(0, duration, TimeBinning::automatic(duration));
    FrameRateSeries series(binning, 0);

    // The gaps of channel type 5, directly.
    std::vector<quint64> gaps;
    quint64 last = 0;
    bool seen = false;
    std::map<int, std::array<qint64, 16>> counts;
    std::map<int, qint64> first;
    for (qint64 n = 0; n < looked; ++n) {
        const FrameRecord record = capture->frame(n);
        const int bin = int(qMin<quint64>(record.timeNs() / binning.intervalNs(),
                                          quint64(binning.bins() - 1)));
        counts[bin][record.channelType()] += 1;
        first.emplace(bin, n);
        if (record.channelType() == 5) {
            if (seen)
                gaps.push_back(record.timeNs() - last);
            last = record.timeNs();
            seen = true;
        }
    }
    const quint64 minGap = *std::min_element(gaps.begin(), gaps.end());
    const quint64 maxGap = *std::max_element(gaps.begin(), gaps.end());
    GapHistogram histogram(5, 0, minGap, maxGap, histogramBins);

    CapturePass pass(*capture, rows);
    QVERIFY(pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
        series.add(frame, header, missing, ticks);
        histogram.add(frame, header, missing, ticks);
    }));

    qint64 total = 0;
    for (int bin = 0; bin < series.bins(); ++bin) {
        const auto found = counts.find(bin);
        for (int key = 0; key < 16; ++key)
            QCOMPARE(series.count(bin, key), found == counts.end() ? 0 : found->second[key]);
        total += series.count(bin);
        // A click on an empty interval leads to the next frame.
        const auto next = first.lower_bound(bin);
        QCOMPARE(series.frameFrom(bin), next == first.end() ? qint64(-1) : next->second);
    }
    QCOMPARE(total, qint64(looked));
    QVERIFY(series.bins() <= TimeBinning::AutoBins);

    // Every gap in the bin its length says, the bins as wide as the range asks.
    QVERIFY(histogram.bins() <= histogramBins);
    QVERIFY(histogram.binStartNs(histogram.bins()) > maxGap);
    QCOMPARE(histogram.binStartNs(0), minGap);
    std::vector<qint64> expected(std::size_t(histogram.bins()), 0);
    for (const quint64 gap : gaps)
        ++expected[std::size_t((gap - minGap) / histogram.binWidthNs())];
    for (int bin = 0; bin < histogram.bins(); ++bin)
        QCOMPARE(histogram.count(bin), expected[std::size_t(bin)]);
}

QTEST_GUILESS_MAIN(TestTimeBinning)
#include "tst_timebinning.moc"
