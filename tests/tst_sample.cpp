// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "drfdumprun.h"

#include "core/files/capture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtTest>

using namespace Korvex;

namespace {

const QString SamplePath = QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3");

/// The time column (after the frame number) that drfdump prints with these options, one cell
/// per frame.
QStringList timeColumn(const QStringList &options)
{
    const DrfdumpRun run = drfdump(options + QStringList{SamplePath});
    QStringList cells;
    const QList<QByteArray> lines = run.out.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines.at(i).isEmpty())
            cells.append(QString::fromUtf8(lines.at(i).split('\t').at(1)));
    }
    return cells;
}

} // namespace

/// The bundled sample, the first capture a user opens: it loads cleanly, and every view of
/// time has something to show on it.
class TestSample : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadsWhole();
    void timeModes_data();
    void timeModes();
    void statistics();

private:
    std::unique_ptr<Capture> m_capture;
};

void TestSample::initTestCase()
{
    m_capture = std::make_unique<Capture>(SamplePath);
    CaptureFixture::ProblemSink sink;
    QCOMPARE(m_capture->load(sink), Capture::Status::Loaded);
    QCOMPARE(sink.problems, QStringList());
}

void TestSample::loadsWhole()
{
    QCOMPARE(m_capture->protocolVersion(), 0);
    QCOMPARE(m_capture->frameCount(), qint64(3000));
}

void TestSample::timeModes_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("blanks"); // cells with nothing to measure from
    QTest::newRow("since the first frame") << QStringList{"--time", "first"} << 0;
    QTest::newRow("delta") << QStringList{"--time", "delta"} << 1;
    // Each channel type's first frame has no frame before it of its type.
    QTest::newRow("same channel") << QStringList{"--time", "channel"} << 8;
    QTest::newRow("reference") << QStringList{"--time", "reference", "--reference", "1500"} << 0;
}

void TestSample::timeModes()
{
    QFETCH(QStringList, options);
    QFETCH(int, blanks);
    const QStringList cells = timeColumn(options);
    QCOMPARE(cells.size(), 3000);
    QCOMPARE(int(cells.count(QString())), blanks);
    // Times of every size, not one value for all.
    QVERIFY2(QSet<QString>(cells.begin(), cells.end()).size() > 100,
             qPrintable(cells.mid(0, 5).join(QLatin1Char(' '))));
    if (options.contains(QStringLiteral("reference"))) {
        QVERIFY(cells.first().startsWith(QLatin1Char('-')));
        QCOMPARE(cells.at(1500), QStringLiteral("0"));
    }
}

void TestSample::statistics()
{
    const DrfdumpRun run = drfdump({QStringLiteral("--stats"), QStringLiteral("json"), SamplePath});
    QCOMPARE(run.status, 0);
    const QJsonObject stats = QJsonDocument::fromJson(run.out).object();
    const QJsonObject summary = stats.value(QStringLiteral("summary")).toObject();
    QVERIFY(summary.value(QStringLiteral("duration_ns")).toDouble() > 20e6);

    QSet<int> types;
    for (const QJsonValue &value : stats.value(QStringLiteral("channels")).toArray()) {
        const QJsonObject channel = value.toObject();
        const int type = channel.value(QStringLiteral("type")).toInt();
        types.insert(type);
        QVERIFY(channel.value(QStringLiteral("frames_per_second")).toDouble() > 0);
        if (channel.value(QStringLiteral("frames")).toInt() < 2)
            continue;
        // Gaps with a shortest and a longest one to go to.
        QVERIFY2(channel.value(QStringLiteral("gap_min_ns")).toDouble() > 0,
                 qPrintable(QString::number(type)));
        QVERIFY(channel.value(QStringLiteral("gap_max_ns")).toDouble()
                >= channel.value(QStringLiteral("gap_min_ns")).toDouble());
        if (type == 1) {
            // The strobe's period, 208000 ticks, shows as whole nanoseconds either side.
            QCOMPARE(channel.value(QStringLiteral("gap_min_ns")).toDouble(), 666666.0);
            QCOMPARE(channel.value(QStringLiteral("gap_max_ns")).toDouble(), 666667.0);
        }
    }
    // The four control types, three data channels and a reserved one.
    for (int type : {0, 1, 2, 4, 5, 6})
        QVERIFY2(types.contains(type), qPrintable(QString::number(type)));
    QVERIFY(types.contains(3) || types.contains(12) || types.contains(13) || types.contains(14)
            || types.contains(15));
    QCOMPARE(stats.value(QStringLiteral("cts")).toArray().size(), 2);
    QVERIFY(stats.value(QStringLiteral("payload_sizes")).toArray().size() >= 4);
}

QTEST_MAIN(TestSample)
#include "tst_sample.moc"
