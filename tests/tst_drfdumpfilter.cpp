// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"
#include "drfdumprun.h"

#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefilter.h"
#include "core/filters/framerows.h"
#include "core/stats/capturepass.h"
#include "core/stats/statisticsfigures.h"
#include "core/stats/statisticsreport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Korvex;

/// drfdump's --filter, --count and --export, against the viewer's filter over the same capture.
class TestDrfdumpFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filteredTable_data();
    void filteredTable();
    void exportReadsBack();
    void refused_data();
    void refused();
    void exportInPlace_data();
    void exportInPlace();
    void undecodedFieldsOfDigRfV4();
    void failedExportLeavesNoFile();
    void segmentsAgreeWithTheViewer();

private:
    std::shared_ptr<FrameBitmap> viewerMatches(const QString &text);

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Capture> m_capture;
};

void TestDrfdumpFilter::initTestCase()
{
    m_path = m_dir.filePath(QStringLiteral("frames.drf3"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::randomCapture(3000, 8));
    file.close();
    m_capture = std::make_unique<Capture>(m_path);
    CaptureFixture::QuietSink sink;
    QCOMPARE(m_capture->load(sink), Capture::Status::Loaded);
}

std::shared_ptr<FrameBitmap> TestDrfdumpFilter::viewerMatches(const QString &text)
{
    FilterError error;
    return FrameFilter(*m_capture, FilterExpression::parse(text, &error)).matchingFrames();
}

void TestDrfdumpFilter::filteredTable_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("format");

    QTest::newRow("fields") << "channel == \"RF IC Control\" and cts == 0" << "tsv";
    QTest::newRow("payload") << "payload contains 7e ?? or size >= 256 and not cts == 1" << "csv";
    QTest::newRow("time and frame") << "time > 500us and frame < 2000" << "tsv";
    QTest::newRow("time in hex") << "time > 0x7A120 and frame < 2000" << "tsv";
    QTest::newRow("nothing") << "frame > 5000" << "csv";
}

void TestDrfdumpFilter::filteredTable()
{
    QFETCH(QString, filter);
    QFETCH(QString, format);
    const std::shared_ptr<FrameBitmap> bits = viewerMatches(filter);
    QVERIFY(bits);

    const DrfdumpRun count = drfdump({QStringLiteral("--count"), QStringLiteral("--filter"), filter, m_path});
    QCOMPARE(count.status, 0);
    QCOMPARE(count.out, QByteArray::number(bits->count()) + '\n');

    // The filtered table is the whole table's title line and the lines of the matching frames.
    const DrfdumpRun all = drfdump({QStringLiteral("--format"), format, m_path});
    const DrfdumpRun some = drfdump({QStringLiteral("--format"), format, QStringLiteral("--filter"), filter, m_path});
    QCOMPARE(some.status, 0);
    const QList<QByteArray> lines = all.out.split('\n');
    QByteArray expected = lines.first() + '\n';
    for (qint64 n = 0; n < bits->size(); ++n) {
        if (bits->test(n))
            expected += lines.at(n + 1) + '\n';
    }
    QCOMPARE(some.out, expected);
}

void TestDrfdumpFilter::exportReadsBack()
{
    const QString filter = QStringLiteral("code in {2, 5} and frame > 100");
    const QString out = m_dir.filePath(QStringLiteral("some.drf3"));
    const DrfdumpRun run = drfdump({QStringLiteral("--export"), out, QStringLiteral("--filter"), filter, m_path});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    const std::shared_ptr<FrameBitmap> bits = viewerMatches(filter);
    Capture exported(out);
    CaptureFixture::QuietSink sink;
    QCOMPARE(exported.load(sink), Capture::Status::Loaded);
    QCOMPARE(exported.frameCount(), bits->count());
    const quint64 start = m_capture->ticks(bits->select(0));
    for (qint64 row = 0; row < exported.frameCount(); ++row) {
        const FrameRecord a = m_capture->frame(bits->select(row));
        const FrameRecord b = exported.frame(row);
        QVERIFY(a.payload() == b.payload() && a.headerText() == b.headerText()
                && b.time() == a.time() - start);
    }
    // Without a filter every frame goes.
    QCOMPARE(drfdump({QStringLiteral("--export"), out, m_path}).status, 0);
    QCOMPARE(drfdump({QStringLiteral("--count"), out}).out, QByteArray("3000\n"));
}

void TestDrfdumpFilter::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("bad expression") << QStringList{"--filter", "cts = 1"} << "Column 5: expected an operator";
    QTest::newRow("bad count filter") << QStringList{"--count", "--filter", "(frame > 1"} << "Column 11: expected";
    QTest::newRow("with --log") << QStringList{"--log", "--filter", "cts == 1"} << "frame table only";
    QTest::newRow("count and export") << QStringList{"--count", "--export", "x.drf3"} << "cannot be combined";
    QTest::newRow("format with count") << QStringList{"--count", "--format", "csv"} << "--format";
    QTest::newRow("export to another version") << QStringList{"--export", "x.drf4"} << ".drf3";
    QTest::newRow("nested too deeply")
        << QStringList{"--count", "--filter", QString(10000, u'(') + "cts == 1" + QString(10000, u')')}
        << "Column 257: the expression is nested too deeply.";
    QTest::newRow("export onto its own input")
        << QStringList{"--export", m_dir.path() + "/./frames.drf3", "--filter", "frame < 10"}
        << "the export would overwrite its own input " + m_path;
}

void TestDrfdumpFilter::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const qint64 size = QFileInfo(m_path).size();
    const DrfdumpRun run = drfdump(arguments << m_path);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QCOMPARE(QFileInfo(m_path).size(), size);
}

void TestDrfdumpFilter::exportInPlace_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");

    QTest::newRow("standard output") << "-" << 0;
    QTest::newRow("standard output by name") << "/dev/stdout" << 0;
    QTest::newRow("FIFO") << "fifo" << 0;
    QTest::newRow("device that takes nothing") << "full" << 1;
}

void TestDrfdumpFilter::exportInPlace()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QTemporaryDir dir;
    QString out = target;
    int reader = -1;
    if (target == QLatin1String("fifo")) {
        out = dir.filePath(QStringLiteral("pipe.drf3"));
        QCOMPARE(mkfifo(QFile::encodeName(out).constData(), 0600), 0);
        // With the reading end open, drfdump's open never waits; 500 frames fit the pipe.
        reader = open(QFile::encodeName(out).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
    } else if (target == QLatin1String("full")) {
        // A device of the test's own that takes no byte, as /dev/full does.
        out = dir.filePath(QStringLiteral("full.drf3"));
        if (mknod(QFile::encodeName(out).constData(), S_IFCHR | 0600, makedev(1, 7)) != 0)
            QSKIP("no device node can be made here");
    }
    const DrfdumpRun run = drfdump({QStringLiteral("--export"), out, QStringLiteral("--filter"),
                                    QStringLiteral("frame < 500"), m_path});
    QByteArray bytes = run.out;
    if (reader >= 0) {
        char buffer[4096];
        for (ssize_t got; (got = read(reader, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, got);
        close(reader);
    }
    QCOMPARE(run.status, status);
    // What stands at the name is still there, never replaced by a file.
    if (out.startsWith(dir.path()))
        QVERIFY(QFileInfo::exists(out) && !QFileInfo(out).isFile());
    if (status != 0) {
        QVERIFY2(run.err.contains("drfdump: cannot write " + QFile::encodeName(out)), run.err.constData());
        return;
    }
    const auto exported = CaptureFixture::load(bytes);
    QVERIFY(exported && exported->status() == Capture::Status::Loaded);
    QCOMPARE(exported->frameCount(), qint64(500));
    QCOMPARE(exported->frame(499).payload(), m_capture->frame(499).payload());
}

void TestDrfdumpFilter::undecodedFieldsOfDigRfV4()
{
    // A DigRF v4 capture has no channel, size, code, CTS or payload to filter by.
    const QString v4 = m_dir.filePath(QStringLiteral("frames.drf4"));
    QVERIFY(QFile::copy(m_path, v4));
    const DrfdumpRun undecoded = drfdump({QStringLiteral("--filter"), QStringLiteral("frame > 2 or cts == 1"), v4});
    QCOMPARE(undecoded.status, 2);
    QVERIFY2(undecoded.err.contains("Column 14: expected frame or time"), undecoded.err.constData());
    const DrfdumpRun times = drfdump({QStringLiteral("--count"), QStringLiteral("--filter"), QStringLiteral("frame > 2 or time > 0"), v4});
    QCOMPARE(times.status, 0);
}

void TestDrfdumpFilter::failedExportLeavesNoFile()
{
    QTemporaryDir dir;
    // Frames 0 and 2 lie more than a 32-bit time word apart.
    using CaptureFixture::frameOf;
    const QString source = dir.filePath(QStringLiteral("gap.drf3"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(CaptureBuilder::capture(frameOf(1, 2, 0, 0) + frameOf(1, 2, 0, 0xF0000000u)
                                           + frameOf(1, 2, 0, 0xF0000000u), "}"));
    file.close();
    const QString out = dir.filePath(QStringLiteral("out.drf3"));
    const DrfdumpRun gap = drfdump({QStringLiteral("--export"), out, QStringLiteral("--filter"),
                                    QStringLiteral("frame != 1"), source});
    QCOMPARE(gap.status, 1);
    QVERIFY(gap.err.contains("13.7 s"));
    const DrfdumpRun folder = drfdump({QStringLiteral("--export"), dir.filePath(QStringLiteral("none/out.drf3")), source});
    QCOMPARE(folder.status, 1);
    QVERIFY(folder.err.contains("cannot be written"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"gap.drf3"});
}

void TestDrfdumpFilter::segmentsAgreeWithTheViewer()
{
    // More frames than drfdump judges at a time: the segments' answers and their order hold.
    const QString path = m_dir.filePath(QStringLiteral("long.drf3"));
    const auto capture = CaptureFixture::loadFile(path, 600000, 17);
    QVERIFY(capture && capture->frameCount() == 600000);
    const QString out = m_dir.filePath(QStringLiteral("long-some.drf3"));
    for (const char *text : {"channel == 5 and cts == 1", "payload contains 7e ?? 01 or frame == 599999"}) {
        FilterError error;
        const std::shared_ptr<FrameBitmap> bits =
            FrameFilter(*capture, FilterExpression::parse(QLatin1String(text), &error)).matchingFrames();
        QVERIFY(bits && bits->count() > 0);
        const DrfdumpRun count = drfdump({QStringLiteral("--count"), QStringLiteral("--filter"),
                                          QLatin1String(text), path});
        QCOMPARE(count.out, QByteArray::number(bits->count()) + '\n');
        QCOMPARE(drfdump({QStringLiteral("--export"), out, QStringLiteral("--filter"),
                          QLatin1String(text), path}).status, 0);
        Capture exported(out);
        CaptureFixture::QuietSink sink;
        QCOMPARE(exported.load(sink), Capture::Status::Loaded);
        QCOMPARE(exported.frameCount(), bits->count());
        // Frames of every segment, in order.
        for (qint64 row = 0; row < exported.frameCount(); row += exported.frameCount() / 50 + 1) {
            QCOMPARE(exported.frame(row).payload(), capture->frame(bits->select(row)).payload());
            QCOMPARE(exported.frame(row).headerText(), capture->frame(bits->select(row)).headerText());
        }
        const qint64 last = exported.frameCount() - 1;
        QCOMPARE(exported.frame(last).payload(), capture->frame(bits->select(last)).payload());

        // The statistics of the frames let through, gaps across segments and pieces included.
        const FrameRows rows{std::shared_ptr<const FrameBitmap>(bits)};
        StatisticsFigures figures(0, nullptr);
        QVERIFY(CapturePass(*capture, rows).runOver([&](const FrameCursor &cursor) {
            figures.add(cursor.number(), cursor.header(), cursor.ticks(), cursor.bytes(),
                        cursor.length());
        }));
        const DrfdumpRun stats = drfdump({QStringLiteral("--stats"), QStringLiteral("--filter"),
                                          QLatin1String(text), path});
        QCOMPARE(QString::fromUtf8(stats.out),
                 figures.report(path, QStringLiteral("Displayed frames")).toTsv());
        // The filtered table's rows, in order, with the time since the row above.
        const QList<QByteArray> table =
            drfdump({QStringLiteral("--filter"), QLatin1String(text), QStringLiteral("--time"),
                     QStringLiteral("displayed"), path})
                .out.split('\n');
        QCOMPARE(table.size(), bits->count() + 2);
        for (qint64 row = 0; row < bits->count(); row += bits->count() / 50 + 1)
            QCOMPARE(table.at(row + 1).split('\t').first().toLongLong(), bits->select(row));
    }
}

QTEST_GUILESS_MAIN(TestDrfdumpFilter)
#include "tst_drfdumpfilter.moc"
