// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framegenerator.h"
#include "core/files/trafficgenerator.h"
#include "drfdumprun.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Korvex;

namespace {

using Run = DrfdumpRun;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The date a capture's DATE tag names; invalid when there is none.
QDateTime dateOf(const QByteArray &capture)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("\\{DATE:([^}]*)\\}")).match(QString::fromLatin1(capture.left(200)));
    return match.hasMatch() ? QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd;hh:mm:ss"))
                            : QDateTime();
}

// The capture the viewer's generator (of random frames, or of realistic traffic) writes for
// the seed, dated like the given capture.
QByteArray viewerCapture(quint32 seed, qint64 count, const QByteArray &datedLike,
                         bool traffic = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool written = traffic ? TrafficGenerator::writeCapture(buffer, seed, count, dateOf(datedLike))
                                 : FrameGenerator::writeCapture(buffer, seed, count, dateOf(datedLike));
    return written ? buffer.data() : QByteArray();
}

} // namespace

/// drfdump --generate: the viewer's file for a seed, its default seed and its exit statuses.
class TestDrfdumpGenerate : public QObject
{
    Q_OBJECT

private slots:
    void sameAsViewer_data();
    void sameAsViewer();
    void defaultSeedIsTheTime();
    void replacesExistingFile();
    void badUsage_data();
    void badUsage();
    void unwritableFile();
    void nameTheViewerReadsAsV4_data();
    void nameTheViewerReadsAsV4();

private:
    QTemporaryDir m_dir;
};

void TestDrfdumpGenerate::sameAsViewer_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("seed");
    QTest::addColumn<bool>("traffic");
    QTest::newRow("one frame") << "1" << "100" << false;
    QTest::newRow("thousand frames") << "1000" << "4294967295" << false;
    QTest::newRow("seed 0") << "10000" << "0" << false;
    QTest::newRow("traffic, one frame") << "1" << "100" << true;
    QTest::newRow("traffic, the sample's") << "3000" << "2011" << true;
    QTest::newRow("traffic, seed 0") << "10000" << "0" << true;
}

void TestDrfdumpGenerate::sameAsViewer()
{
    QFETCH(QString, count);
    QFETCH(QString, seed);
    QFETCH(bool, traffic);
    const QString path = m_dir.filePath(QStringLiteral("seeded.drf3"));
    QStringList arguments{QStringLiteral("--generate"), count, QStringLiteral("--seed"), seed,
                          QStringLiteral("-o"), path};
    if (traffic)
        arguments.append(QStringLiteral("--traffic"));
    const Run run = drfdump(arguments);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());

    const QByteArray written = contents(path);
    QVERIFY(dateOf(written).isValid());
    const QByteArray expected = viewerCapture(seed.toUInt(), count.toLongLong(), written, traffic);
    QVERIFY(!expected.isEmpty());
    QVERIFY(written == expected);
}

void TestDrfdumpGenerate::defaultSeedIsTheTime()
{
    const QString path = m_dir.filePath(QStringLiteral("now.drf3"));
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const Run run = drfdump({QStringLiteral("--generate"), QStringLiteral("200"), QStringLiteral("-o"), path});
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    QCOMPARE(run.status, 0);

    const QByteArray written = contents(path);
    bool found = false;
    for (qint64 seconds = before; seconds <= after && !found; ++seconds)
        found = written == viewerCapture(quint32(seconds), 200, written);
    QVERIFY(found);
}

void TestDrfdumpGenerate::replacesExistingFile()
{
    const QString path = m_dir.filePath(QStringLiteral("existing.drf3"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100000, 'x'));
    }
    const Run run = drfdump({QStringLiteral("--generate"), QStringLiteral("1"), QStringLiteral("--seed"),
                             QStringLiteral("100"), QStringLiteral("-o"), path});
    QCOMPARE(run.status, 0);
    const QByteArray written = contents(path);
    QVERIFY(written.endsWith(QByteArray::fromHex("28000000000000007af6b8407d")));
    QCOMPARE(written, viewerCapture(100u, 1, written));
}

void TestDrfdumpGenerate::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("count 0") << QStringList{"--generate", "0", "-o", "x.drf3"};
    QTest::newRow("count above 100000000") << QStringList{"--generate", "100000001", "-o", "x.drf3"};
    QTest::newRow("count not a number") << QStringList{"--generate", "ten", "-o", "x.drf3"};
    QTest::newRow("no output file") << QStringList{"--generate", "10"};
    QTest::newRow("seed too large") << QStringList{"--generate", "10", "--seed", "4294967296", "-o", "x.drf3"};
    QTest::newRow("negative seed") << QStringList{"--generate", "10", "--seed", "-1", "-o", "x.drf3"};
    QTest::newRow("traffic of no frames") << QStringList{"--generate", "0", "--traffic", "-o", "x.drf3"};
    QTest::newRow("traffic without --generate") << QStringList{"--traffic", "-o", "x.drf3"};
    QTest::newRow("traffic with a capture to read") << QStringList{"--traffic", "x.drf3"};
}

void TestDrfdumpGenerate::badUsage()
{
    QFETCH(QStringList, arguments);
    for (QString &argument : arguments) {
        if (argument == QLatin1String("x.drf3"))
            argument = m_dir.filePath(argument);
    }
    const Run run = drfdump(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x.drf3"))));
}

void TestDrfdumpGenerate::unwritableFile()
{
    const QString path = m_dir.filePath(QStringLiteral("no/such/folder/x.drf3"));
    const Run run = drfdump({QStringLiteral("--generate"), QStringLiteral("10"), QStringLiteral("-o"), path});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("drfdump: cannot write file " + path.toLocal8Bit()), run.err);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!QFile::exists(path));
}

void TestDrfdumpGenerate::nameTheViewerReadsAsV4_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("warned");
    QTest::newRow("drf3") << "capture.drf3" << false;
    QTest::newRow("DRF3") << "capture.DRF3" << false;
    QTest::newRow("no suffix") << "gen1" << true;
    QTest::newRow("drf4") << "capture.drf4" << true;
    QTest::newRow("drf3 inside the name") << "capture.drf3.bak" << true;
}

void TestDrfdumpGenerate::nameTheViewerReadsAsV4()
{
    // The file is written all the same; a name the viewer would read as DigRF v4 is pointed out.
    QFETCH(QString, name);
    QFETCH(bool, warned);
    const QString path = m_dir.filePath(name);
    const Run run = drfdump({QStringLiteral("--generate"), QStringLiteral("5"),
                             QStringLiteral("-o"), path});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    if (warned)
        QCOMPARE(run.err, "drfdump: warning: " + path.toUtf8()
                              + " does not end in .drf3, so Framescope opens it as DigRF v4 and "
                                "not as the DigRF 3G capture it holds\n");
    else
        QCOMPARE(run.err, QByteArray());
    QVERIFY(contents(path).startsWith("{TYPE:"));
}

QTEST_APPLESS_MAIN(TestDrfdumpGenerate)
#include "tst_drfdumpgenerate.moc"
