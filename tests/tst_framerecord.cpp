// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames/framerecord.h"

#include <QDataStream>
#include <QTest>
#include <QtEndian>

using namespace Korvex;

namespace {

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// Decodes one record from bytes with the reader's little-endian stream; returns bytes consumed.
qint64 decode(const QByteArray &bytes, int version, FrameRecord **out)
{
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    *out = new FrameRecord(version, in);
    return in.device()->pos();
}

} // namespace

class TestFrameRecord : public QObject
{
    Q_OBJECT

private slots:
    void headerFields_data();
    void headerFields();
    void payloadDecoding_data();
    void payloadDecoding();
    void otherProtocolVersion();
    void shortHeaderAndTimeWords();
    void texts_data();
    void texts();
    void timeNs_data();
    void timeNs();
    void serialize();
};

void TestFrameRecord::headerFields_data()
{
    QTest::addColumn<quint32>("word");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("cts");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("error");
    QTest::addColumn<qint64>("consumed");

    QTest::newRow("code 15") << 0x1E5u << 15 << 2 << 1 << false
                             << "Unsupported payload size value: 15" << qint64(8);
    QTest::newRow("code 8") << 0x100u << 8 << 0 << 0 << false
                            << "Unsupported payload size value: 8" << qint64(8);
    QTest::newRow("code 7") << 0xE0u << 7 << 0 << 0 << false << "Invalid payload size: 0 bytes"
                            << qint64(8);
    QTest::newRow("code 1 channel 4") << 0x28u << 1 << 4 << 0 << true << QString() << qint64(12);
    QTest::newRow("high bits ignored") << 0xFFFFE01Fu << 0 << 15 << 1 << true << QString()
                                       << qint64(12);
    QTest::newRow("code 255") << 0x1FE0u << 255 << 0 << 0 << false
                              << "Unsupported payload size value: 255" << qint64(8);
}

void TestFrameRecord::headerFields()
{
    QFETCH(quint32, word);
    QFETCH(int, code);
    QFETCH(int, channel);
    QFETCH(int, cts);
    QFETCH(bool, valid);
    QFETCH(QString, error);
    QFETCH(qint64, consumed);

    // Enough words behind the header for any payload, so only the header decides.
    const QByteArray bytes = le32(word) + le32(7) + QByteArray(64, '\x55');
    FrameRecord *record = nullptr;
    QCOMPARE(decode(bytes, 0, &record), consumed);
    QScopedPointer<FrameRecord> guard(record);
    QCOMPARE(int(record->payloadSizeCode()), code);
    QCOMPARE(int(record->channelType()), channel);
    QCOMPARE(int(record->ctsBit()), cts);
    QCOMPARE(record->isValid(), valid);
    QCOMPARE(record->errorText(), error);
    QCOMPARE(record->time(), quint64(7));
    QCOMPARE(record->protocolVersion(), 0);
}

void TestFrameRecord::payloadDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("error");
    QTest::addColumn<qint64>("consumed");

    const QByteArray words = QByteArray::fromHex("44332211" "88776655");
    QTest::newRow("code 0 keeps the most significant byte")
        << le32(0 << 5) + le32(0) + QByteArray::fromHex("44332211") << QByteArray::fromHex("11")
        << true << QString() << qint64(12);
    QTest::newRow("code 1 reverses the word")
        << le32(1 << 5) + le32(0) + QByteArray::fromHex("44332211")
        << QByteArray::fromHex("11223344") << true << QString() << qint64(12);
    QTest::newRow("code 2 word by word")
        << le32(2 << 5) + le32(0) + words << QByteArray::fromHex("1122334455667788") << true
        << QString() << qint64(16);

    QByteArray code5 = le32(5 << 5) + le32(0);
    for (int w = 0; w < 8; ++w)
        code5 += QByteArray::fromHex("03020100") ;
    QTest::newRow("code 5 eight words")
        << code5 << QByteArray::fromHex("00010203").repeated(8) << true << QString()
        << qint64(40);

    QByteArray shortCode5 = le32(5 << 5) + le32(0) + QByteArray::fromHex("03020100").repeated(3);
    QTest::newRow("code 5 with three words") << shortCode5 << QByteArray() << false
                                             << "Incomplete payload: 5 words are missing"
                                             << qint64(20);
    QTest::newRow("code 1 cut inside its word")
        << le32(1 << 5) + le32(0) + QByteArray::fromHex("443322") << QByteArray() << false
        << "Incomplete payload: 1 words are missing" << qint64(11);
    QTest::newRow("code 2 cut inside its second word")
        << le32(2 << 5) + le32(0) + QByteArray::fromHex("44332211" "8877") << QByteArray()
        << false << "Incomplete payload: 1 words are missing" << qint64(14);
    QTest::newRow("no payload at all") << le32(0) + le32(0) << QByteArray() << false
                                       << "Incomplete payload: 1 words are missing" << qint64(8);
}

void TestFrameRecord::payloadDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(QString, error);
    QFETCH(qint64, consumed);

    FrameRecord *record = nullptr;
    QCOMPARE(decode(bytes, 0, &record), consumed);
    QScopedPointer<FrameRecord> guard(record);
    QCOMPARE(record->isValid(), valid);
    QCOMPARE(record->errorText(), error);
    if (valid)
        QCOMPARE(record->payload(), payload);
    else
        QCOMPARE(record->payload().size(), record->payloadSizeBits() / 8);
}

void TestFrameRecord::otherProtocolVersion()
{
    const QByteArray bytes = le32(0x28) + le32(99) + QByteArray::fromHex("44332211");
    FrameRecord *record = nullptr;
    QCOMPARE(decode(bytes, 1, &record), qint64(8));
    QScopedPointer<FrameRecord> guard(record);
    QVERIFY(record->isValid());
    QCOMPARE(record->time(), quint64(99));
    QCOMPARE(record->payloadSizeBits(), -1);
    QCOMPARE(record->channelTypeName(), QStringLiteral("not impl"));
    QCOMPARE(record->headerText(), QStringLiteral("not impl"));
    QCOMPARE(record->payloadHex(), QString());
    QCOMPARE(record->serialize(), QByteArray());
    QCOMPARE(record->serializedSize(), qint64(0));
    // The header fields are never decoded for other versions and read as zero.
    QCOMPARE(int(record->payloadSizeCode()), 0);
    QCOMPARE(int(record->channelType()), 0);
    QCOMPARE(int(record->ctsBit()), 0);

    record->setChannelType(4);
    QCOMPARE(record->protocolVersion(), 0);
    QCOMPARE(record->channelTypeName(), QStringLiteral("Data Channel A"));
}

void TestFrameRecord::shortHeaderAndTimeWords()
{
    FrameRecord *record = nullptr;
    QCOMPARE(decode(le32(0x28) + QByteArray::fromHex("0102"), 0, &record), qint64(6));
    QScopedPointer<FrameRecord> guard(record);
    QCOMPARE(record->time(), quint64(0));
    QVERIFY(!record->isValid());
    QCOMPARE(record->errorText(), QStringLiteral("Incomplete payload: 1 words are missing"));

    FrameRecord *empty = nullptr;
    QCOMPARE(decode(QByteArray("\x01", 1), 1, &empty), qint64(1));
    QScopedPointer<FrameRecord> emptyGuard(empty);
    QCOMPARE(empty->time(), quint64(0));
    QVERIFY(empty->isValid());
}

void TestFrameRecord::texts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("header");

    QTest::newRow("code 0") << 0 << 0 << 8 << "8 bit Interface Control";
    QTest::newRow("code 1, channel 4") << 1 << 4 << 32 << "32 bit Data Channel A";
    QTest::newRow("code 6, channel 1") << 6 << 1 << 512 << "512 bit Time Accurate Strobe Message";
    QTest::newRow("code 7") << 7 << 2 << 0 << "0 bit RF IC Control";
    QTest::newRow("code 8") << 8 << 3 << -1 << "Profile Defined bit Reserved";
    QTest::newRow("channel 11") << 2 << 11 << 64 << "64 bit Data Channel H";
    QTest::newRow("channel 12") << 3 << 12 << 96 << "96 bit Reserved for future use";
    QTest::newRow("channel 255") << 5 << 255 << 256 << "256 bit Reserved for future use";
}

void TestFrameRecord::texts()
{
    QFETCH(int, code);
    QFETCH(int, channel);
    QFETCH(int, bits);
    QFETCH(QString, header);

    FrameRecord record;
    record.setPayloadSizeCode(quint8(code));
    record.setChannelType(quint8(channel));
    QCOMPARE(record.payloadSizeBits(), bits);
    QCOMPARE(record.headerText(), header);

    record.setPayload(QByteArray::fromHex("0aff"));
    QCOMPARE(record.payloadHex(), QStringLiteral("0AFF"));
}

void TestFrameRecord::timeNs_data()
{
    QTest::addColumn<quint64>("ticks");
    QTest::addColumn<quint64>("ns");

    QTest::newRow("0") << quint64(0) << quint64(0);
    QTest::newRow("1") << quint64(1) << quint64(3);
    QTest::newRow("100") << quint64(100) << quint64(320);
    QTest::newRow("312") << quint64(312) << quint64(1000);
    QTest::newRow("1000") << quint64(1000) << quint64(3205);
    QTest::newRow("first tick past 2^32 ns") << quint64(1340029797) << quint64(4294967298);
    QTest::newRow("2^32 - 1") << quint64(4294967295u) << quint64(13765920817);
    QTest::newRow("hundred million frames of 2^32 - 1")
        << quint64(4294967295u) * 100000000 << quint64(1376592081730769230);
}

void TestFrameRecord::timeNs()
{
    QFETCH(quint64, ticks);
    QFETCH(quint64, ns);

    FrameRecord record;
    record.setTime(ticks);
    QCOMPARE(record.timeNs(), ns);
    // Below 2^32 ticks the value is the truncated product in floating point, before any wrap.
    if (ticks < (quint64(1) << 32))
        QCOMPARE(record.timeNs(), quint64(double(ticks) * (1000.0 / 312.0)));
}

void TestFrameRecord::serialize()
{
    FrameRecord record;
    record.setTime(0x100000005ull);
    record.setPayloadSizeCode(1);
    record.setChannelType(4);
    record.setCtsBit(1);
    record.setPayload(QByteArray::fromHex("01ab"));

    const QByteArray bytes = record.serialize();
    QCOMPARE(bytes.size(), 10);
    QCOMPARE(record.serializedSize(), qint64(10));
    // The low 32 bits of the time, then the header word, then the payload as it is.
    QCOMPARE(bytes, le32(5) + le32(0x29) + QByteArray::fromHex("01ab"));

    FrameRecord unmasked;
    unmasked.setPayloadSizeCode(9);
    unmasked.setChannelType(31);
    QCOMPARE(unmasked.serialize().mid(4, 4), le32(((9 * 16) | 31) * 2));
}

QTEST_APPLESS_MAIN(TestFrameRecord)
#include "tst_framerecord.moc"
