// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturebuilder.h"
#include "drfdumprun.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

/// drfdump --frame: the detail panel's texts of one frame, its options and exit statuses.
class TestDrfdumpFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void printsTheFrame_data();
    void printsTheFrame();
    void refusesBadUsage_data();
    void refusesBadUsage();
    void failedLoads_data();
    void failedLoads();

private:
    QString write(const QString &name, const QByteArray &bytes);
    int run(const QStringList &arguments, QByteArray *out, QByteArray *err);

    QTemporaryDir dir;
    QString capture;
};

QString TestDrfdumpFrame::write(const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return file.fileName();
}

int TestDrfdumpFrame::run(const QStringList &arguments, QByteArray *out, QByteArray *err)
{
    const DrfdumpRun result = drfdump(arguments);
    *out = result.out;
    *err = result.err;
    return result.status;
}

void TestDrfdumpFrame::initTestCase()
{
    QVERIFY(dir.isValid());
    // Payload bytes 00 01 02 ... in payload order.
    capture = write(QStringLiteral("two.drf3"),
                    CaptureBuilder::capture(CaptureBuilder::frame(1, 4, 1, 0)
                                                + CaptureBuilder::frame(2, 11, 0, 70),
                                            "}"));
    QVERIFY(!capture.isEmpty());
}

void TestDrfdumpFrame::printsTheFrame_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("defaults") << QStringList{"--frame", "0"}
                              << QByteArray("PL Size\t001\t(32 bit)\n"
                                            "Logical Channel Type\t0100\t(Data Channel A)\n"
                                            "CTS bit\t1\n"
                                            "Status\t32 bit Data Channel A\n"
                                            "\n"
                                            "0000: 00 01 02 03   ....\n");
    QTest::newRow("hex, 3 columns of 2, little endian")
        << QStringList{"--frame", "1", "--base", "16", "--bytes-per-column", "2", "--columns",
                       "3", "--byte-order", "little"}
        << QByteArray("PL Size\t0x2\t(64 bit)\n"
                      "Logical Channel Type\t0xb\t(Data Channel H)\n"
                      "CTS bit\t0x0\n"
                      "Status\t64 bit Data Channel H\n"
                      "\n"
                      "0000: 0100 0302 0504   ......\n"
                      "0006: 0706             ..\n");
    QTest::newRow("octal, one column of 4")
        << QStringList{"--frame", "1", "--base", "8", "--bytes-per-column", "4", "--columns", "1",
                       "--byte-order", "big"}
        << QByteArray("PL Size\t2\t(64 bit)\n"
                      "Logical Channel Type\t13\t(Data Channel H)\n"
                      "CTS bit\t0\n"
                      "Status\t64 bit Data Channel H\n"
                      "\n"
                      "0000: 00010203   ....\n"
                      "0004: 04050607   ....\n");
}

void TestDrfdumpFrame::printsTheFrame()
{
    QFETCH(QStringList, options);
    QByteArray out;
    QByteArray err;
    QCOMPARE(run(options << capture, &out, &err), 0);
    QTEST(out, "expected");
    QCOMPARE(err, QByteArray());
}

void TestDrfdumpFrame::refusesBadUsage_data()
{
    QTest::addColumn<QStringList>("options");

    QTest::newRow("frame past the end") << QStringList{"--frame", "2"};
    QTest::newRow("negative frame") << QStringList{"--frame", "-1"};
    QTest::newRow("frame not a number") << QStringList{"--frame", "x"};
    QTest::newRow("base 3") << QStringList{"--frame", "0", "--base", "3"};
    QTest::newRow("3 bytes per column") << QStringList{"--frame", "0", "--bytes-per-column", "3"};
    QTest::newRow("no columns") << QStringList{"--frame", "0", "--columns", "0"};
    QTest::newRow("100 columns") << QStringList{"--frame", "0", "--columns", "100"};
    QTest::newRow("middle endian") << QStringList{"--frame", "0", "--byte-order", "middle"};
}

void TestDrfdumpFrame::refusesBadUsage()
{
    QFETCH(QStringList, options);
    QByteArray out;
    QByteArray err;
    QCOMPARE(run(options << capture, &out, &err), 2);
    QCOMPARE(out, QByteArray());
    QVERIFY(!err.isEmpty());
}

void TestDrfdumpFrame::failedLoads_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("missing file") << "missing.drf3" << QByteArray() << 1 << QByteArray();
    QTest::newRow("aborted load") << "aborted.drf3"
                                  << QByteArray("{DATA LIST-0:#") + CaptureBuilder::frame(1, 4, 1, 0)
                                  << 1 << QByteArray();
    QTest::newRow("one frame has no frame 1")
        << "one.drf3" << CaptureBuilder::capture(CaptureBuilder::frame(0, 0, 0, 0)) << 2
        << QByteArray();
    // A v4 capture's frames are listed, not decoded: no payload, so no dump after the blank line.
    QTest::newRow("v4 frame") << "v4.drf4" << CaptureBuilder::capture(QByteArray(16, '\x29'))
                              << 0
                              << QByteArray("PL Size\t000\t(-1 bit)\n"
                                            "Logical Channel Type\t0000\t(not impl)\n"
                                            "CTS bit\t0\n"
                                            "Status\tnot impl\n"
                                            "\n");
}

void TestDrfdumpFrame::failedLoads()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    const QString path = bytes.isEmpty() ? dir.filePath(name) : write(name, bytes);
    QVERIFY(!path.isEmpty());
    QByteArray out;
    QByteArray err;
    QCOMPARE(run({QStringLiteral("--frame"), QStringLiteral("1"), path}, &out, &err), status);
    QTEST(out, "expected");
    QCOMPARE(err.isEmpty(), status == 0);
}

QTEST_GUILESS_MAIN(TestDrfdumpFrame)
#include "tst_drfdumpframe.moc"
