// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticscollector.h"
#include "core/stats/statisticsreport.h"
#include "core/filters/framerows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

#include <array>

using namespace Korvex;

namespace {

CaptureStatistics collect(const Capture &capture, const FrameRows &rows)
{
    StatisticsCollector collector(capture.protocolVersion());
    CapturePass pass(capture, rows);
    pass.run([&collector](qint64 frame, quint8 header, bool missing, quint64 ticks) {
        collector.add(frame, header, missing, ticks);
    });
    return collector.result();
}

/// Random DigRF 3G frames; one in `hugeEvery` has a delta near 2^32 ticks, so that times pass
/// 2^32 ticks; channel type 9 gets a single frame.
QByteArray randomFrames(int count, quint32 seed, int hugeEvery)
{
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        int type = int(random.bounded(16));
        if (type == 9 && i != count / 2)
            type = 8;
        if (i == count / 2)
            type = 9;
        const quint32 delta = random.bounded(hugeEvery) == 0 ? 0xFFFFFF00u + random.bounded(200u)
                                                             : random.bounded(5000u);
        block += CaptureFixture::frameOf(int(random.bounded(7)), type, int(random.bounded(2)),
                                         delta);
    }
    return block;
}

} // namespace

/// Capture statistics: the figures of one pass over the frames against the same figures
/// computed directly from the decoded records, the edge cases where a figure is not defined,
/// and the report's texts that the window copies and drfdump prints.
class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void figuresMatchTheRecords_data();
    void figuresMatchTheRecords();
    void undefinedFiguresStayEmpty_data();
    void undefinedFiguresStayEmpty();
    void reportTexts();
    void passStopsWhenCancelled();
};

void TestStatistics::figuresMatchTheRecords_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("hugeEvery");
    QTest::addColumn<int>("looked");
    QTest::newRow("small deltas") << 3000 << 1u << 1000000 << 3000;
    QTest::newRow("past 2^32 ticks") << 5000 << 2u << 50 << 5000;
    QTest::newRow("the first half displayed") << 5000 << 3u << 50 << 2500;
}

void TestStatistics::figuresMatchTheRecords()
{
    QFETCH(int, count);
    QFETCH(quint32, seed);
    QFETCH(int, hugeEvery);
    QFETCH(int, looked);
    const auto capture = CaptureFixture::load3G(randomFrames(count, seed, hugeEvery));
    QVERIFY(capture && capture->frameCount() == count);
    const CaptureStatistics stats = collect(*capture, FrameRows(looked));

    // The same figures, straight from the records.
    std::array<qint64, 16> frames{}, payload{}, minGap{}, maxGap{}, minFrame{}, maxFrame{};
    std::array<quint64, 16> firstNs{}, lastNs{};
    std::array<qint64, 8> sizes{};
    std::array<qint64, 2> cts{};
    minFrame.fill(-1);
    maxFrame.fill(-1);
    for (qint64 n = 0; n < looked; ++n) {
        const FrameRecord record = capture->frame(n);
        const std::size_t type = record.channelType();
        const quint64 ns = record.timeNs();
        if (frames[type] > 0) {
            const qint64 gap = qint64(ns - lastNs[type]);
            if (minFrame[type] < 0 || gap < minGap[type]) {
                minGap[type] = gap;
                minFrame[type] = n;
            }
            if (maxFrame[type] < 0 || gap > maxGap[type]) {
                maxGap[type] = gap;
                maxFrame[type] = n;
            }
        } else {
            firstNs[type] = ns;
        }
        lastNs[type] = ns;
        ++frames[type];
        payload[type] += record.payload().size();
        ++sizes[record.payloadSizeCode()];
        ++cts[record.ctsBit()];
    }
    QCOMPARE(stats.frames, qint64(looked));
    QCOMPARE(stats.missing, qint64(0));
    QCOMPARE(stats.durationNs(), std::optional<quint64>(capture->frame(looked - 1).timeNs()));
    if (hugeEvery < 100)
        QVERIFY(capture->ticks(looked - 1) > (quint64(1) << 32));
    for (std::size_t type = 0; type < 16; ++type) {
        const ChannelFigures &c = stats.channels[type];
        QCOMPARE(c.frames, frames[type]);
        QCOMPARE(c.payloadBytes, payload[type]);
        QCOMPARE(c.minGapFrame, minFrame[type]);
        QCOMPARE(c.maxGapFrame, maxFrame[type]);
        if (frames[type] > 1) {
            QCOMPARE(qint64(c.minGapNs), minGap[type]);
            QCOMPARE(qint64(c.maxGapNs), maxGap[type]);
            QCOMPARE(*c.meanGapNs(), double(lastNs[type] - firstNs[type]) / double(frames[type] - 1));
        } else {
            QVERIFY(!c.meanGapNs());
        }
    }
    // The single frame of channel type 9 has no gap.
    if (looked > count / 2)
        QCOMPARE(stats.channels[9].frames, qint64(1));
    for (std::size_t code = 0; code < 8; ++code)
        QCOMPARE(stats.payloadSizes[code], sizes[code]);
    QCOMPARE(stats.cts[0], cts[0]);
    QCOMPARE(stats.cts[1], cts[1]);
}

void TestStatistics::undefinedFiguresStayEmpty_data()
{
    using CaptureFixture::frameOf;
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<int>("protocolVersion");
    QTest::addColumn<QVariant>("duration");
    QTest::newRow("no frame") << QByteArray() << 0 << QVariant();
    QTest::newRow("one frame") << frameOf(2, 4, 1, 77) << 0 << QVariant(qint64(0));
    QTest::newRow("all at time 0") << frameOf(2, 4, 1, 0) + frameOf(3, 4, 0, 0) + frameOf(0, 5, 0, 0)
                                   << 0 << QVariant(qint64(0));
    // The first frame's delta is not counted: it is the start.
    QTest::newRow("DigRF v4") << CaptureBuilder::frame(0, 5) + CaptureBuilder::frame(0, 5)
                              << 1 << QVariant(qint64(16));
}

void TestStatistics::undefinedFiguresStayEmpty()
{
    QFETCH(QByteArray, frames);
    QFETCH(int, protocolVersion);
    QFETCH(QVariant, duration);
    const auto capture = CaptureFixture::load(CaptureBuilder::capture(frames, "}"), protocolVersion);
    QVERIFY(capture);
    const CaptureStatistics stats = collect(*capture, FrameRows(capture->frameCount()));
    const StatisticsReport report(stats, QStringLiteral("x.drf3"), QStringLiteral("All frames"));

    const QString tsv = report.toTsv();
    for (const char *word : {"nan", "inf", "NaN", "Inf"})
        QVERIFY2(!tsv.contains(QLatin1String(word)), qPrintable(tsv));
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(report.toJson(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject summary = json.value(QStringLiteral("summary")).toObject();
    QCOMPARE(summary.value(QStringLiteral("frames")).toInteger(), capture->frameCount());
    if (duration.isValid())
        QCOMPARE(summary.value(QStringLiteral("duration_ns")).toInteger(), duration.toLongLong());
    else
        QVERIFY(summary.value(QStringLiteral("duration_ns")).isNull());
    // A rate over no time is not defined; neither is the gap of a channel's only frame.
    if (duration.toLongLong() == 0)
        QVERIFY(summary.value(QStringLiteral("frames_per_second")).isNull());
    for (const QJsonValue &channel : json.value(QStringLiteral("channels")).toArray()) {
        const QJsonObject figures = channel.toObject();
        const bool gaps = figures.value(QStringLiteral("frames")).toInteger() > 1;
        QCOMPARE(figures.value(QStringLiteral("gap_mean_ns")).isNull(), !gaps);
        QCOMPARE(figures.value(QStringLiteral("gap_min_frame")).isNull(), !gaps);
        QCOMPARE(figures.value(QStringLiteral("frames_per_second")).isNull(),
                 duration.toLongLong() == 0);
    }
    // Outside DigRF 3G the frames have no channel type, payload size or CTS.
    if (protocolVersion != 0) {
        QCOMPARE(report.section(StatisticsReport::Channels).rows.size(), 1);
        QCOMPARE(report.section(StatisticsReport::Channels).rows.at(0).at(1).toString(),
                 QStringLiteral("not impl"));
        QVERIFY(report.section(StatisticsReport::PayloadSizes).rows.isEmpty());
        QVERIFY(report.section(StatisticsReport::Cts).rows.isEmpty());
    }
}

void TestStatistics::reportTexts()
{
    using CaptureFixture::frameOf;
    // Channel 4 at 0, 1000 and 3000 ns; channel 5 once at 13000 ns.
    const auto capture = CaptureFixture::load3G(frameOf(1, 4, 0, 0) + frameOf(0, 4, 1, 312)
                                                + frameOf(1, 4, 0, 624) + frameOf(6, 5, 1, 3120));
    QVERIFY(capture);
    const StatisticsReport report(collect(*capture, FrameRows(4)), QStringLiteral("a.drf3"),
                                  QStringLiteral("All frames"));
    QCOMPARE(report.toTsv(),
             QStringLiteral(
                 "Figure\tValue\n"
                 "File\ta.drf3\n"
                 "Frames looked at\tAll frames\n"
                 "Frames\t4\n"
                 "Frames missing from the file\t0\n"
                 "First frame's time [ns]\t0\n"
                 "Last frame's time [ns]\t13000\n"
                 "Duration [ns]\t13000\n"
                 "Frames per second\t307692.3\n"
                 "\n"
                 "Type\tChannel\tFrames\tShare [%]\tPayload [bytes]\tFrames/s\tMin gap [ns]\t"
                 "Mean gap [ns]\tMax gap [ns]\tMin gap at frame\tMax gap at frame\n"
                 "4\tData Channel A\t3\t75.00\t9\t230769.2\t1000\t1500.0\t2000\t1\t2\n"
                 "5\tData Channel B\t1\t25.00\t64\t76923.1\t\t\t\t\t\n"
                 "\n"
                 "Payload size [bits]\tFrames\tShare [%]\n"
                 "8\t1\t25.00\n"
                 "32\t2\t50.00\n"
                 "512\t1\t25.00\n"
                 "\n"
                 "CTS\tFrames\tShare [%]\n"
                 "0\t2\t50.00\n"
                 "1\t2\t50.00\n"));
    // JSON gives the same figures, rounded as the text shows them.
    const QJsonObject json = QJsonDocument::fromJson(report.toJson()).object();
    const QJsonObject channel = json.value(QStringLiteral("channels")).toArray().at(0).toObject();
    QCOMPARE(channel.value(QStringLiteral("share_percent")).toDouble(), 75.0);
    QCOMPARE(channel.value(QStringLiteral("frames_per_second")).toDouble(), 230769.2);
    QCOMPARE(channel.value(QStringLiteral("gap_max_frame")).toInteger(), 2);
    QCOMPARE(json.value(QStringLiteral("summary")).toObject().value(QStringLiteral("file")).toString(),
             QStringLiteral("a.drf3"));
}

void TestStatistics::passStopsWhenCancelled()
{
    const auto capture = CaptureFixture::load3G(randomFrames(200000, 5, 1000000));
    QVERIFY(capture && capture->frameCount() == 200000);
    CapturePass pass(*capture, FrameRows(capture->frameCount()));
    QCOMPARE(pass.total(), qint64(200000));
    qint64 visited = 0;
    // Cancelled from within, as another thread would: the pass stops at its next look.
    const bool completed = pass.run([&](qint64 frame, quint8, bool, quint64) {
        QCOMPARE(frame, visited);
        ++visited;
        if (frame == 1000)
            pass.cancel();
    });
    QVERIFY(!completed);
    QVERIFY(pass.isCancelled());
    QVERIFY(visited > 1000 && visited < 200000);
    QVERIFY(pass.done() <= visited);
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
