// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/framegenerator.h"
#include "capturefixture.h"

#include "core/files/frameindex.h"
#include "core/files/framereader.h"
#include "core/frames/framerecord.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Korvex;

namespace {

const QDateTime FixedDate(QDate(2011, 3, 4), QTime(5, 6, 7));

QByteArray capture(quint32 seed, qint64 frameCount, const QDateTime &date = FixedDate)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!FrameGenerator::writeCapture(buffer, seed, frameCount, date))
        return QByteArray();
    return buffer.data();
}

/// Accepts writes up to a limit, then refuses them, like a full disk.
class FailingDevice final : public QIODevice
{
public:
    explicit FailingDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override
    {
        if (m_written + length > m_limit)
            return -1;
        m_written += length;
        return length;
    }

private:
    qint64 m_limit;
    qint64 m_written = 0;
};

/// Keeps the reader's log lines, and separately every warning and error.
class RecordingSink final : public FrameReaderSink
{
public:
    void log(const QString &text, LogLevel level) override
    {
        lines.append(text);
        if (level != LogLevel::Info)
            problems.append(text);
    }
    void progress(int) override {}

    QStringList lines;
    QStringList problems;
};

} // namespace

/// The test-file generator: its random source, the frames it draws and the capture it writes.
class TestFrameGenerator : public QObject
{
    Q_OBJECT

private slots:
    void firstRandomValues_data();
    void firstRandomValues();
    void tagText();
    void files_data();
    void files();
    void captureLayout_data();
    void captureLayout();
    void blockLengthMatchesBlock_data();
    void blockLengthMatchesBlock();
    void readBackAsDrawn();
    void sameSeedSameFile();
    void writeFileTags();
    void refusedWrite();
    void frameCountOutOfRange();
    void unwritablePath();
};

void TestFrameGenerator::firstRandomValues_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("seed 1") << 1u << QList<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    QTest::newRow("seed 0") << 0u << QList<int>{38, 7719, 21238, 2437, 8855};
    QTest::newRow("state wraps") << 0xFFFFFFFFu << QList<int>{35, 29739, 3374, 11141, 31308};
}

void TestFrameGenerator::firstRandomValues()
{
    QFETCH(quint32, seed);
    QFETCH(QList<int>, values);
    FrameGenerator generator(seed);
    QList<int> drawn;
    for (int i = 0; i < values.size(); ++i)
        drawn.append(generator.random());
    QCOMPARE(drawn, values);
}

void TestFrameGenerator::tagText()
{
    QCOMPARE(FrameGenerator::tagText(QDateTime(QDate(2024, 12, 31), QTime(23, 5, 9)), 10000, 280123),
             QByteArray("{TYPE:QUELLBAY-DIGRF3G}{COPYRIGHT:2011 Kestrant}{DATE:2024-12-31;23:05:09}"
                        "{COMMENT:NEXOPROBE DigRF 3G data}{FRAMES:10000}{DATA LIST-280123:#"));
}

void TestFrameGenerator::files_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("frameCount");
    QTest::addColumn<QByteArray>("block");

    // Code 1, Data Channel A, CTS 0: the payload bytes 40 B8 F6 7A stand reversed in their word.
    QTest::newRow("one frame of 12 bytes") << 100u << 1
        << QByteArray::fromHex("28000000" "00000000" "7af6b840");
    // Codes 6, 4, 2 and 0; a 1-byte payload is the most significant byte of its word.
    QTest::newRow("four frames") << 3u << 4
        << QByteArray::fromHex("d0000000 00000000 26197783 218851cf 4a00e749 2999375f 8cfeb606 87c33a66"
                               "b9f918d3 d1008900 519d536f 924ca52c 08d842bb c828e14f 475cd43d 6519e9af"
                               "aa208e9d cf2638f9"
                               "8b000000 00000000 5da0bc80 98655660 4ec5ec4e 0dec35e7"
                               "50000000 00000000 6f03248e 0354e544"
                               "09000000 00000000 000000d4");
}

void TestFrameGenerator::files()
{
    QFETCH(quint32, seed);
    QFETCH(int, frameCount);
    QFETCH(QByteArray, block);

    const QByteArray expected = "{TYPE:QUELLBAY-DIGRF3G}{COPYRIGHT:2011 Kestrant}{DATE:2011-03-04;05:06:07}"
                                "{COMMENT:NEXOPROBE DigRF 3G data}{FRAMES:"
        + QByteArray::number(frameCount) + "}{DATA LIST-" + QByteArray::number(block.size()) + ":#"
        + block + "}";
    QCOMPARE(capture(seed, frameCount).toHex(' '), expected.toHex(' '));
}

void TestFrameGenerator::captureLayout_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("channelType");
    QTest::addColumn<int>("cts");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("code 0") << 0 << 0 << 0 << QByteArray::fromHex("ab")
                            << QByteArray::fromHex("00000000 05000000 000000ab");
    QTest::newRow("code 1") << 1 << 11 << 1 << QByteArray::fromHex("01020304")
                            << QByteArray::fromHex("37000000 05000000 04030201");
    QTest::newRow("code 3") << 3 << 2 << 0 << QByteArray::fromHex("000102030405060708090a0b")
                            << QByteArray::fromHex("64000000 05000000 03020100 07060504 0b0a0908");
    QByteArray bytes64;
    QByteArray words64;
    for (int w = 0; w < 16; ++w) {
        for (int b = 0; b < 4; ++b)
            bytes64.append(char(4 * w + b));
        for (int b = 3; b >= 0; --b)
            words64.append(char(4 * w + b));
    }
    QTest::newRow("code 6, 72 bytes") << 6 << 5 << 1 << bytes64
                                      << QByteArray::fromHex("cb000000 05000000") + words64;
}

void TestFrameGenerator::captureLayout()
{
    QFETCH(int, code);
    QFETCH(int, channelType);
    QFETCH(int, cts);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, expected);

    FrameRecord record;
    record.setTime(5); // the distance to the frame before, which the time word holds
    record.setPayloadSizeCode(quint8(code));
    record.setChannelType(quint8(channelType));
    record.setCtsBit(quint8(cts));
    record.setPayload(payload);
    QCOMPARE(FrameGenerator::captureBytes(record).toHex(' '), expected.toHex(' '));
}

void TestFrameGenerator::blockLengthMatchesBlock_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("frameCount");
    QTest::newRow("one frame") << 100u << 1;
    QTest::newRow("a few") << 7u << 13;
    QTest::newRow("ten thousand") << 0xDEADBEEFu << 10000;
}

void TestFrameGenerator::blockLengthMatchesBlock()
{
    QFETCH(quint32, seed);
    QFETCH(int, frameCount);

    qint64 length = 0;
    FrameGenerator generator(seed);
    FrameRecord record;
    for (int i = 0; i < frameCount; ++i) {
        generator.drawFrame(record);
        length += FrameGenerator::captureBytes(record).size();
    }
    QCOMPARE(FrameGenerator::blockLength(seed, frameCount), length);

    const QByteArray file = capture(seed, frameCount);
    const qsizetype start = file.indexOf(":#") + 2;
    QCOMPARE(file.size() - start - 1, length);
    QVERIFY(file.contains("{DATA LIST-" + QByteArray::number(length) + ":#"));
}

void TestFrameGenerator::readBackAsDrawn()
{
    const int count = 5000;
    const QByteArray file = capture(20240101u, count);
    QVERIFY(!file.isEmpty());

    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    RecordingSink sink;
    FrameIndex index(0);
    QCOMPARE(readFrames(buffer, file.size(), 0, sink, &index).result, ReadResult::Complete);
    const std::unique_ptr<Capture> frames = CaptureFixture::load(file);

    // Every frame loads, with no warning: no size code 7, and the closing brace closes the tag.
    QCOMPARE(sink.problems, QStringList());
    QCOMPARE(sink.lines.last(), QStringLiteral("%1 frames loaded.").arg(count));
    QVERIFY(!sink.lines.contains(QStringLiteral("Tag 'DATA LIST' is open and EOF reached!")));
    QCOMPARE(index.count(), count);
    QCOMPARE(frames->frameCount(), count);

    FrameGenerator generator(20240101u);
    FrameRecord drawn;
    QSet<int> codes;
    QSet<int> channelTypes;
    for (int i = 0; i < count; ++i) {
        generator.drawFrame(drawn);
        const FrameRecord read = frames->frame(i);
        QVERIFY(read.isValid());
        QCOMPARE(read.payloadSizeCode(), drawn.payloadSizeCode());
        QCOMPARE(read.channelType(), drawn.channelType());
        QCOMPARE(read.ctsBit(), drawn.ctsBit());
        QCOMPARE(read.payload(), drawn.payload());
        QCOMPARE(read.time(), quint64(0));
        codes.insert(drawn.payloadSizeCode());
        channelTypes.insert(drawn.channelType());
    }
    QCOMPARE(codes.size(), 7);
    QCOMPARE(channelTypes.size(), 12);
    QVERIFY(!codes.contains(7));
}

void TestFrameGenerator::sameSeedSameFile()
{
    QCOMPARE(capture(42u, 500), capture(42u, 500));
    QVERIFY(capture(42u, 500) != capture(43u, 500));

    // A longer file of the same seed starts with the same frames.
    const QByteArray shorter = capture(42u, 500);
    const QByteArray longer = capture(42u, 600);
    const QByteArray shortBlock = shorter.mid(shorter.indexOf(":#") + 2).chopped(1);
    QVERIFY(longer.mid(longer.indexOf(":#") + 2).startsWith(shortBlock));
}

void TestFrameGenerator::writeFileTags()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("now.drf3"));
    QString error;
    QVERIFY(FrameGenerator::writeFile(path, 100u, 1, QDateTime::currentDateTime(), &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QRegularExpression pattern(QStringLiteral(
        "^\\{TYPE:QUELLBAY-DIGRF3G\\}\\{COPYRIGHT:2011 Kestrant\\}"
        "\\{DATE:\\d{4}-\\d\\d-\\d\\d;\\d\\d:\\d\\d:\\d\\d\\}"
        "\\{COMMENT:NEXOPROBE DigRF 3G data\\}\\{FRAMES:1\\}\\{DATA LIST-12:#$"));
    const qsizetype start = bytes.indexOf(":#") + 2;
    QVERIFY2(pattern.match(QString::fromLatin1(bytes.left(start))).hasMatch(), bytes.left(start));
    QCOMPARE(bytes.mid(start).toHex(' '), QByteArray::fromHex("28000000000000007af6b8407d").toHex(' '));
}

void TestFrameGenerator::refusedWrite()
{
    const qint64 full = capture(9u, 20000).size();
    for (const qint64 limit : {qint64(0), qint64(100), full / 2, full - 1}) {
        FailingDevice device(limit);
        QVERIFY2(!FrameGenerator::writeCapture(device, 9u, 20000, FixedDate),
                 qPrintable(QString::number(limit)));
    }
    FailingDevice roomy(full);
    QVERIFY(FrameGenerator::writeCapture(roomy, 9u, 20000, FixedDate));
}

void TestFrameGenerator::frameCountOutOfRange()
{
    QTemporaryDir dir;
    for (const qint64 count : {qint64(0), qint64(-1), FrameGenerator::MaxFrames + 1}) {
        const QString path = dir.filePath(QStringLiteral("count%1.drf3").arg(count));
        QString error;
        QVERIFY(!FrameGenerator::writeFile(path, 1u, count, FixedDate, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }
}

void TestFrameGenerator::unwritablePath()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/x.drf3"));
    QString error;
    QVERIFY(!FrameGenerator::writeFile(path, 1u, 10, FixedDate, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

QTEST_APPLESS_MAIN(TestFrameGenerator)
#include "tst_framegenerator.moc"
