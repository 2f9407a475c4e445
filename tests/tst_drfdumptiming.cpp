// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "capturefixture.h"
#include "drfdumprun.h"

#include "core/files/capture.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticscollector.h"
#include "core/stats/statisticsreport.h"
#include "core/filters/framerows.h"
#include "core/text/timecolumn.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;

/// drfdump's --time and --stats: the same time column as the viewer's table in each mode, the
/// same statistics as its window, and what bad options get.
class TestDrfdumpTiming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void timeColumn_data();
    void timeColumn();
    void statistics();
    void badOptions_data();
    void badOptions();

private:
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Capture> capture;
};

void TestDrfdumpTiming::initTestCase()
{
    // Channel types 0 to 5, one delta in thirty near 2^32 ticks.
    QRandomGenerator random(31);
    QByteArray block;
    for (int i = 0; i < 2000; ++i) {
        const quint32 delta = random.bounded(30) == 0 ? 0xFFFFFF00u : random.bounded(4000u);
        block += CaptureFixture::frameOf(int(random.bounded(7)), int(random.bounded(6)),
                                         int(random.bounded(2)), delta);
    }
    path = dir.filePath(QStringLiteral("timing.drf3"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::capture(block, "}"));
    file.close();
    capture = std::make_unique<Capture>(path);
    CaptureFixture::QuietSink sink;
    QCOMPARE(capture->load(sink), Capture::Status::Loaded);
}

void TestDrfdumpTiming::timeColumn_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("mode");
    QTest::addColumn<qint64>("reference");
    QTest::newRow("default") << QStringList() << int(TimeMode::SinceFirst) << qint64(-1);
    QTest::newRow("first") << QStringList{"--time", "first"} << int(TimeMode::SinceFirst)
                           << qint64(-1);
    QTest::newRow("delta") << QStringList{"--time", "delta"} << int(TimeMode::DeltaPrevious)
                           << qint64(-1);
    QTest::newRow("displayed") << QStringList{"--time", "displayed"}
                               << int(TimeMode::DeltaDisplayed) << qint64(-1);
    QTest::newRow("channel") << QStringList{"--time", "channel"} << int(TimeMode::DeltaChannel)
                             << qint64(-1);
    QTest::newRow("reference: the first frame") << QStringList{"--time", "reference"}
                                                << int(TimeMode::SinceReference) << qint64(-1);
    QTest::newRow("reference") << QStringList{"--time", "reference", "--reference", "1500"}
                               << int(TimeMode::SinceReference) << qint64(1500);
}

void TestDrfdumpTiming::timeColumn()
{
    QFETCH(QStringList, options);
    QFETCH(int, mode);
    QFETCH(qint64, reference);
    const DrfdumpRun run = drfdump(options + QStringList{path});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, QByteArray());
    const QStringList lines = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2000 + 2);

    // What the viewer's table shows in that mode.
    TimeColumn time;
    time.setCapture(capture.get());
    time.setMode(TimeMode(mode));
    time.setReference(reference);
    const FrameRows rows(capture->frameCount());
    QCOMPARE(lines.at(0).section(QLatin1Char('\t'), 1, 1), time.title(rows));
    for (qint64 row = 0; row < rows.count(); ++row)
        QCOMPARE(lines.at(int(row) + 1).section(QLatin1Char('\t'), 1, 1), time.cell(rows, row));
    // The other columns stay as they are.
    QCOMPARE(lines.at(1).section(QLatin1Char('\t'), 2),
             QString::fromUtf8(drfdump({path}).out).split(QLatin1Char('\n')).at(1).section(QLatin1Char('\t'), 2));
}

void TestDrfdumpTiming::statistics()
{
    StatisticsCollector collector(0);
    CapturePass pass(*capture, FrameRows(capture->frameCount()));
    QVERIFY(pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
        collector.add(frame, header, missing, ticks);
    }));
    const StatisticsReport report(collector.result(), path, QStringLiteral("All frames"));

    const DrfdumpRun tsv = drfdump({"--stats", "tsv", path});
    QCOMPARE(tsv.status, 0);
    QCOMPARE(QString::fromUtf8(tsv.out), report.toTsv());
    const DrfdumpRun json = drfdump({"--stats", "json", path});
    QCOMPARE(json.status, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out), QJsonDocument::fromJson(report.toJson()));
    QCOMPARE(drfdump({"--stats", "--format", "json", path}).out, json.out);
    QCOMPARE(drfdump({"--stats=json", path}).out, json.out);
    // JSON Lines: the summary, then every table's rows, each named by its table.
    QJsonObject tables;
    for (const QByteArray &line : drfdump({"--stats", "--format", "jsonl", path}).out.trimmed().split('\n')) {
        QJsonObject row = QJsonDocument::fromJson(line).object();
        const QString table = row.take(QStringLiteral("table")).toString();
        QJsonArray rows = tables.value(table).toArray();
        rows.append(row);
        tables.insert(table, table == QLatin1String("summary") ? QJsonValue(row) : rows);
    }
    QCOMPARE(tables, QJsonDocument::fromJson(json.out).object());

    // With a filter, the statistics of the frames it lets through.
    StatisticsCollector filtered(0);
    QVERIFY(pass.run([&](qint64 frame, quint8 header, bool missing, quint64 ticks) {
        if (header & 1)
            filtered.add(frame, header, missing, ticks);
    }));
    const StatisticsReport shown(filtered.result(), path, QStringLiteral("Displayed frames"));
    const DrfdumpRun matching = drfdump({"--stats", "--filter", "cts == 1", path});
    QCOMPARE(matching.status, 0);
    QCOMPARE(QString::fromUtf8(matching.out), shown.toTsv());
    QVERIFY(shown.toTsv() != report.toTsv());
    QVERIFY(QJsonDocument::fromJson(json.out)
                .object()
                .value(QStringLiteral("summary"))
                .toObject()
                .value(QStringLiteral("duration_ns"))
                .toInteger()
            > (qint64(1) << 32));
}

void TestDrfdumpTiming::badOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown mode") << QStringList{"--time", "Delta", "FILE"} << 2
                                  << "--time takes first, delta, displayed, channel or reference";
    QTest::newRow("reference without its mode")
        << QStringList{"--time", "delta", "--reference", "3", "FILE"} << 2
        << "--reference goes with --time reference";
    QTest::newRow("negative reference")
        << QStringList{"--time", "reference", "--reference", "-1", "FILE"} << 2
        << "--reference takes a frame number from 0";
    QTest::newRow("reference past the end")
        << QStringList{"--time", "reference", "--reference", "2000", "FILE"} << 2
        << "frame 2000 is not in the file, which holds 2000 frames";
    QTest::newRow("stats format") << QStringList{"--stats", "csv", "FILE"} << 2
                                  << "--stats prints tsv, json or jsonl";
    QTest::newRow("stats format option") << QStringList{"--stats", "--format", "csv", "FILE"} << 2
                                         << "--stats prints tsv, json or jsonl";
    QTest::newRow("stats alone") << QStringList{"--stats"} << 2
                                 << "--stats needs a format or a FILE";
    QTest::newRow("stats format alone") << QStringList{"--stats", "json"} << 2
                                        << "--stats json needs a FILE";
    QTest::newRow("stats of no file") << QStringList{"--stats", "tsv", "NONE"} << 1
                                      << "Cannot open file";
}

void TestDrfdumpTiming::badOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    arguments.replaceInStrings(QStringLiteral("FILE"), path);
    arguments.replaceInStrings(QStringLiteral("NONE"), dir.filePath(QStringLiteral("none.drf3")));
    const DrfdumpRun run = drfdump(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromUtf8(run.err).contains(error), run.err.constData());
    QCOMPARE(run.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestDrfdumpTiming)
#include "tst_drfdumptiming.moc"
