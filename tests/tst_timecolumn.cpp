// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/files/channellookback.h"
#include "core/filters/framerows.h"
#include "core/text/frametext.h"
#include "core/text/timecolumn.h"
#include "core/text/timetext.h"
#include "core/text/timetrail.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QtTest>

#include <array>
#include <optional>

using namespace Korvex;

Q_DECLARE_METATYPE(Korvex::TimeMode)

namespace {

// Five frames: channel type and time delta in ticks (312 ticks are 1000 ns).
//   frame 0: channel 4 at 0 ns; 1: channel 5 at 1000 ns; 2: channel 4 at 3000 ns;
//   3: channel 5 at 13000 ns; 4: channel 6 at 13003 ns (4057 ticks).
std::unique_ptr<Capture> fiveFrames()
{
    using CaptureFixture::frameOf;
    return CaptureFixture::load3G(frameOf(1, 4, 0, 0) + frameOf(1, 5, 0, 312)
                                  + frameOf(1, 4, 0, 624) + frameOf(1, 5, 0, 3120)
                                  + frameOf(1, 6, 0, 1));
}

QStringList column(const TimeColumn &time, const FrameRows &rows)
{
    QStringList cells;
    for (qint64 row = 0; row < rows.count(); ++row)
        cells.append(time.cell(rows, row));
    return cells;
}

/// Random DigRF 3G frames whose deltas are sometimes huge, so that times pass 2^32 ticks, and
/// where channel type 15 is rare: at frames 3, 9000 and the last one only.
QByteArray rareChannelFrames(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        const int type = i == 3 || i == 9000 || i == count - 1 ? 15 : int(random.bounded(15));
        const quint32 delta = random.bounded(20) == 0 ? 0xF0000000u + random.bounded(1000u)
                                                      : random.bounded(1000u);
        block += CaptureFixture::frameOf(int(random.bounded(7)), type, 0, delta);
    }
    return block;
}

} // namespace

/// The time column's modes: their texts, each mode's values at its edges, and the column as
/// the table computes it (any row at a time) against the column drfdump streams.
class TestTimeColumn : public QObject
{
    Q_OBJECT

private slots:
    void readable_data();
    void readable();
    void modesAtTheirEdges_data();
    void modesAtTheirEdges();
    void missingFrames();
    void lookbackFindsRareChannels();
    void tableAndStreamAgree_data();
    void tableAndStreamAgree();
};

void TestTimeColumn::readable_data()
{
    QTest::addColumn<qint64>("ns");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 ns";
    QTest::newRow("below a microsecond") << qint64(999) << "999 ns";
    QTest::newRow("a whole microsecond") << qint64(1000) << "1 µs";
    QTest::newRow("microseconds") << qint64(1234) << "1.234 µs";
    QTest::newRow("milliseconds, every digit") << qint64(1234567) << "1.234 567 ms";
    QTest::newRow("zeros inside are kept") << qint64(1000200000) << "1.000 200 s";
    QTest::newRow("seconds") << qint64(12345678901) << "12.345 678 901 s";
    QTest::newRow("an hour stays in seconds") << qint64(3600) * 1000000000 << "3600 s";
    QTest::newRow("negative") << qint64(-1500) << "-1.500 µs";
    QTest::newRow("most negative") << std::numeric_limits<qint64>::min()
                                   << "-9223372036.854 775 808 s";
}

void TestTimeColumn::readable()
{
    QFETCH(qint64, ns);
    QTEST(TimeText::readable(ns), "text");
}

void TestTimeColumn::modesAtTheirEdges_data()
{
    QTest::addColumn<TimeMode>("mode");
    QTest::addColumn<qint64>("reference");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QList<qint64>>("from");

    // The first frame of a delta, and the first frame of each channel, count from nothing.
    QTest::newRow("since first") << TimeMode::SinceFirst << qint64(-1)
                                 << QStringList{"0", "1000", "3000", "13000", "13003"}
                                 << QList<qint64>{0, 0, 0, 0, 0};
    QTest::newRow("delta") << TimeMode::DeltaPrevious << qint64(-1)
                           << QStringList{"", "1000", "2000", "10000", "3"}
                           << QList<qint64>{-1, 0, 1, 2, 3};
    QTest::newRow("displayed, all displayed") << TimeMode::DeltaDisplayed << qint64(-1)
                                              << QStringList{"", "1000", "2000", "10000", "3"}
                                              << QList<qint64>{-1, 0, 1, 2, 3};
    QTest::newRow("same channel") << TimeMode::DeltaChannel << qint64(-1)
                                  << QStringList{"", "", "3000", "12000", ""}
                                  << QList<qint64>{-1, -1, 0, 1, -1};
    QTest::newRow("no reference") << TimeMode::SinceReference << qint64(-1)
                                  << QStringList{"0", "1000", "3000", "13000", "13003"}
                                  << QList<qint64>{0, 0, 0, 0, 0};
    QTest::newRow("reference in the middle") << TimeMode::SinceReference << qint64(2)
                                             << QStringList{"-3000", "-2000", "0", "10000", "10003"}
                                             << QList<qint64>{2, 2, 2, 2, 2};
    QTest::newRow("reference last") << TimeMode::SinceReference << qint64(4)
                                    << QStringList{"-13003", "-12003", "-10003", "-3", "0"}
                                    << QList<qint64>{4, 4, 4, 4, 4};
}

void TestTimeColumn::modesAtTheirEdges()
{
    QFETCH(TimeMode, mode);
    QFETCH(qint64, reference);
    QFETCH(QStringList, cells);
    QFETCH(QList<qint64>, from);

    const auto capture = fiveFrames();
    QVERIFY(capture && capture->frameCount() == 5);
    TimeColumn time;
    time.setCapture(capture.get());
    time.setMode(mode);
    time.setReference(reference);
    const FrameRows rows(5);
    QCOMPARE(column(time, rows), cells);
    for (qint64 row = 0; row < 5; ++row)
        QCOMPARE(time.fromFrame(rows, row), from.at(row));
    // The rows past the table's show nothing.
    QCOMPARE(time.cell(rows, 5), QString());
    QCOMPARE(time.cell(rows, -1), QString());

    // The reference is said to be hidden when the rows leave it out.
    if (mode == TimeMode::SinceReference && reference >= 2) {
        QCOMPARE(time.title(FrameRows(2)),
                 QStringLiteral("Time since frame %1 (hidden) [ns]").arg(reference));
        QCOMPARE(time.title(rows), QStringLiteral("Time since frame %1 [ns]").arg(reference));
    }
    // A new capture has no reference.
    time.setCapture(capture.get());
    QCOMPARE(time.reference(), qint64(-1));
}

void TestTimeColumn::missingFrames()
{
    using CaptureFixture::frameOf;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.drf3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::capture(frameOf(1, 4, 0, 0) + frameOf(1, 5, 0, 312)
                                       + frameOf(1, 4, 0, 624) + frameOf(1, 5, 0, 3120)
                                       + frameOf(1, 6, 0, 1), "}"));
    file.close();
    const auto capture = std::make_unique<Capture>(path);
    CaptureFixture::QuietSink sink;
    QCOMPARE(capture->load(sink), Capture::Status::Loaded);
    // Frames 3 and 4 (12 bytes each) and the closing brace are cut off.
    QVERIFY(QFile::resize(path, QFileInfo(path).size() - 1 - 2 * 12));
    TimeColumn time;
    time.setCapture(capture.get());
    const FrameRows rows(5);
    for (const TimeMode mode : TimeText::Modes) {
        time.setMode(mode);
        const QStringList cells = column(time, rows);
        QCOMPARE(cells.mid(3), QStringList({"missing", "missing"}));
    }
    // A frame counting from a missing one has nothing to count from.
    time.setMode(TimeMode::SinceReference);
    time.setReference(3);
    QCOMPARE(column(time, rows).mid(0, 3), QStringList({"", "", ""}));
}

void TestTimeColumn::lookbackFindsRareChannels()
{
    const int count = 3 * int(ChannelLookback::SpanFrames) + 123;
    const auto capture = CaptureFixture::load3G(rareChannelFrames(count, 7));
    QVERIFY(capture && capture->frameCount() == count);
    ChannelLookback lookback(capture->sharedIndex());
    std::array<qint64, 16> last;
    last.fill(-1);
    // Twice: the second time from the spans' channel sets found the first time.
    for (int pass = 0; pass < 2; ++pass) {
        last.fill(-1);
        for (qint64 n = 0; n < count; ++n) {
            const int key = ChannelLookback::channelKey(capture->index().header(n), 0);
            QCOMPARE(lookback.previous(n), last[std::size_t(key)]);
            last[std::size_t(key)] = n;
        }
    }
    QCOMPARE(lookback.previous(count - 1), qint64(9000));
    QCOMPARE(lookback.previous(count), qint64(-1));
}

void TestTimeColumn::tableAndStreamAgree_data()
{
    QTest::addColumn<int>("protocolVersion");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("DigRF 3G") << 0 << 11u;
    QTest::newRow("DigRF 3G, other frames") << 0 << 12u;
    QTest::newRow("DigRF v4: one channel") << 1 << 13u;
}

void TestTimeColumn::tableAndStreamAgree()
{
    QFETCH(int, protocolVersion);
    QFETCH(quint32, seed);
    const int count = 9500;
    std::unique_ptr<Capture> capture;
    if (protocolVersion == 0) {
        capture = CaptureFixture::load3G(rareChannelFrames(count, seed));
    } else {
        QRandomGenerator random(seed);
        QList<quint32> deltas;
        for (int i = 0; i < count; ++i)
            deltas.append(random.bounded(3) == 0 ? 0xFFFFFFF0u : random.bounded(100u));
        capture = CaptureFixture::loadV4(deltas);
    }
    QVERIFY(capture && capture->frameCount() == count);
    QVERIFY(capture->ticks(count - 1) > (quint64(1) << 32));

    const qint64 reference = 4321;
    const FrameRows rows(count);
    TimeColumn time;
    time.setCapture(capture.get());
    time.setReference(reference);
    for (const TimeMode mode : TimeText::Modes) {
        time.setMode(mode);
        TimeTrail trail(mode, protocolVersion, capture->ticks(reference));
        // The time each frame's channel was last seen, computed here from the records.
        std::array<std::optional<quint64>, 16> channelNs;
        std::optional<quint64> previousNs;
        const quint64 referenceNs = capture->frame(reference).timeNs();
        for (qint64 n = 0; n < count; ++n) {
            const FrameRecord record = capture->frame(n);
            const quint64 ns = record.timeNs();
            const int key = protocolVersion == 0 ? record.channelType() : 0;
            std::optional<qint64> expected;
            switch (mode) {
            case TimeMode::SinceFirst:
                expected = qint64(ns);
                break;
            case TimeMode::DeltaPrevious:
            case TimeMode::DeltaDisplayed:
                if (previousNs)
                    expected = qint64(ns - *previousNs);
                break;
            case TimeMode::DeltaChannel:
                if (channelNs[std::size_t(key)])
                    expected = qint64(ns - *channelNs[std::size_t(key)]);
                break;
            case TimeMode::SinceReference:
                expected = qint64(ns) - qint64(referenceNs);
                break;
            }
            previousNs = ns;
            channelNs[std::size_t(key)] = ns;

            const QString cell = time.cell(rows, n);
            QString streamed;
            trail.appendCell(streamed, capture->index().header(n), capture->ticks(n));
            QCOMPARE(cell, expected ? QString::number(*expected) : QString());
            QCOMPARE(streamed, cell);
            if (mode == TimeMode::SinceFirst)
                QCOMPARE(cell, FrameText::cell(record, 0, protocolVersion));
        }
    }
}

QTEST_GUILESS_MAIN(TestTimeColumn)
#include "tst_timecolumn.moc"
