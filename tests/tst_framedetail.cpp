// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/frames/framerecord.h"
#include "core/text/framedetail.h"

#include <QtTest>

using namespace Korvex;

namespace {

FrameRecord record3G(quint8 code, quint8 type, quint8 cts, const QByteArray &payload = {})
{
    FrameRecord record;
    record.setPayloadSizeCode(code);
    record.setChannelType(type);
    record.setCtsBit(cts);
    record.setPayload(payload);
    return record;
}

// A record that is not DigRF 3G, as the reader makes it for a v4 capture.
FrameRecord recordV4()
{
    QByteArray bytes(8, '\0');
    bytes[0] = char(0x29);
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    return FrameRecord(1, in);
}

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

QByteArray bytesFrom(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

/// The detail panel's texts: header fields in every base, labels, status and the payload dump.
class TestFrameDetail : public QObject
{
    Q_OBJECT

private slots:
    void headerFields_data();
    void headerFields();
    void labelsAndStatus_data();
    void labelsAndStatus();
    void payloadDump_data();
    void payloadDump();
    void dumpLinesKeepTheirShape_data();
    void dumpLinesKeepTheirShape();
};

void TestFrameDetail::headerFields_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("cts");
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("plSize");
    QTest::addColumn<QString>("lct");
    QTest::addColumn<QString>("ctsText");

    QTest::newRow("binary pads 3 and 4") << 1 << 4 << 1 << 2 << "001" << "0100" << "1";
    QTest::newRow("binary zero") << 0 << 0 << 0 << 2 << "000" << "0000" << "0";
    QTest::newRow("binary wider than the pad") << 255 << 15 << 1 << 2 << "11111111" << "1111" << "1";
    QTest::newRow("hex has a prefix") << 1 << 4 << 1 << 16 << "0x1" << "0x4" << "0x1";
    QTest::newRow("hex digits in lower case") << 10 << 11 << 0 << 16 << "0xa" << "0xb" << "0x0";
    QTest::newRow("hex two digits") << 255 << 15 << 1 << 16 << "0xff" << "0xf" << "0x1";
    QTest::newRow("octal does not pad") << 1 << 9 << 1 << 8 << "1" << "11" << "1";
    QTest::newRow("decimal does not pad") << 6 << 9 << 0 << 10 << "6" << "9" << "0";
}

void TestFrameDetail::headerFields()
{
    QFETCH(int, code);
    QFETCH(int, type);
    QFETCH(int, cts);
    QFETCH(int, base);
    const FrameRecord record = record3G(quint8(code), quint8(type), quint8(cts));
    QTEST(FrameDetail::payloadSizeField(record, base), "plSize");
    QTEST(FrameDetail::channelTypeField(record, base), "lct");
    QTEST(FrameDetail::ctsField(record, base), "ctsText");
}

void TestFrameDetail::labelsAndStatus_data()
{
    QTest::addColumn<bool>("v4");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("plSizeLabel");
    QTest::addColumn<QString>("lctLabel");
    QTest::addColumn<QString>("status");

    QTest::newRow("32 bit data channel A") << false << 1 << 4 << "(32 bit)" << "(Data Channel A)"
                                           << "32 bit Data Channel A";
    QTest::newRow("8 bit interface control") << false << 0 << 0 << "(8 bit)"
                                             << "(Interface Control)" << "8 bit Interface Control";
    QTest::newRow("reserved for future use") << false << 6 << 13 << "(512 bit)"
                                             << "(Reserved for future use)"
                                             << "512 bit Reserved for future use";
    QTest::newRow("not DigRF 3G") << true << 0 << 0 << "(-1 bit)" << "(not impl)" << "not impl";
}

void TestFrameDetail::labelsAndStatus()
{
    QFETCH(bool, v4);
    QFETCH(int, code);
    QFETCH(int, type);
    const FrameRecord record = v4 ? recordV4() : record3G(quint8(code), quint8(type), 0);
    QTEST(FrameDetail::payloadSizeLabel(record), "plSizeLabel");
    QTEST(FrameDetail::channelTypeLabel(record), "lctLabel");
    QTEST(FrameDetail::statusText(record), "status");
    if (v4)
        QCOMPARE(FrameDetail::payloadDump(record.payload(), 1, 4, 0), QString());
}

void TestFrameDetail::payloadDump_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("bytesPerColumn");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("byteOrder");
    QTest::addColumn<QString>("dump");

    const QByteArray hell = QByteArray::fromHex("48656C6C");
    const QByteArray hello = QByteArray::fromHex("48656C6C6F");

    QTest::newRow("initial settings") << hell << 1 << 4 << 0 << "0000: 48 65 6C 6C   Hell\n";
    QTest::newRow("short last line, 4 x 1")
        << hello << 1 << 4 << 0
        << "0000: 48 65 6C 6C   Hell\n"
           "0004: 6F" + blanks(12) + "o\n";
    QTest::newRow("2 x 2") << hello << 2 << 2 << 0
                           << "0000: 4865 6C6C   Hell\n"
                              "0004: 6F" + blanks(10) + "o\n";
    QTest::newRow("2 x 2 little endian") << hello << 2 << 2 << 1
                                         << "0000: 6548 6C6C   Hell\n"
                                            "0004:   6F" + blanks(8) + "o\n";
    QTest::newRow("1 byte columns are the same little endian")
        << hello << 1 << 4 << 1
        << "0000: 48 65 6C 6C   Hell\n"
           "0004: 6F" + blanks(12) + "o\n";
    QTest::newRow("4 byte group cut short, little endian")
        << QByteArray::fromHex("0102030405") << 4 << 1 << 1
        << "0000: 04030201   ....\n"
           "0004:" + blanks(7) + "05   .\n";
    QTest::newRow("4 byte group cut short, big endian")
        << QByteArray::fromHex("0102030405") << 4 << 1 << 0
        << "0000: 01020304   ....\n"
           "0004: 05" + blanks(9) + ".\n";
    QTest::newRow("printable range ends")
        << QByteArray::fromHex("7F1F207E") << 1 << 4 << 0 << "0000: 7F 1F 20 7E   .. ~\n";
    QTest::newRow("high bytes are dots") << QByteArray::fromHex("80FF") << 1 << 2 << 0
                                         << "0000: 80 FF   ..\n";
    QTest::newRow("addresses in lower-case hex")
        << bytesFrom(12) << 1 << 5 << 0
        << "0000: 00 01 02 03 04   .....\n"
           "0005: 05 06 07 08 09   .....\n"
           "000a: 0A 0B" + blanks(12) + "..\n";
    QTest::newRow("one byte") << QByteArray(1, 'A') << 1 << 1 << 0 << "0000: 41   A\n";
    QTest::newRow("empty payload") << QByteArray() << 4 << 99 << 1 << QString();
    QTest::newRow("99 columns of 4 bytes hold the payload on one line")
        << QByteArray(64, 'z') << 4 << 99 << 0
        << "0000: " + QString("7A7A7A7A ").repeated(16) + blanks(9 * 83 + 2)
               + QString(64, QLatin1Char('z')) + "\n";
}

void TestFrameDetail::payloadDump()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, bytesPerColumn);
    QFETCH(int, columns);
    QFETCH(int, byteOrder);
    QTEST(FrameDetail::payloadDump(payload, bytesPerColumn, columns, byteOrder), "dump");
}

void TestFrameDetail::dumpLinesKeepTheirShape_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bytesPerColumn");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("byteOrder");
    QTest::addColumn<QStringList>("addresses");

    QTest::newRow("64 bytes, 4 x 4") << 64 << 4 << 4 << 0
                                     << QStringList{"0000", "0010", "0020", "0030"};
    QTest::newRow("64 bytes, 4 x 4 little endian")
        << 64 << 4 << 4 << 1 << QStringList{"0000", "0010", "0020", "0030"};
    QTest::newRow("33 bytes, 3 x 2") << 33 << 2 << 3 << 0
                                     << QStringList{"0000", "0006", "000c", "0012", "0018",
                                                    "001e"};
    QTest::newRow("17 bytes, 2 x 4 little endian")
        << 17 << 4 << 2 << 1 << QStringList{"0000", "0008", "0010"};

    // Every layout the panel offers up to 16 columns, with a short last line.
    const auto addressesOf = [](int size, int lineBytes) {
        QStringList addresses;
        for (int address = 0; address < size; address += lineBytes)
            addresses.append(QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')));
        return addresses;
    };
    for (const int bytesPerColumn : {1, 2, 4}) {
        for (int columns = 1; columns <= 16; ++columns) {
            for (const int byteOrder : {0, 1}) {
                const int size = 2 * bytesPerColumn * columns + 1;
                QTest::addRow("%d bytes, %d x %d%s", size, columns, bytesPerColumn,
                              byteOrder == 1 ? " little endian" : "")
                    << size << bytesPerColumn << columns << byteOrder
                    << addressesOf(size, bytesPerColumn * columns);
            }
        }
    }
    // Past 64 KiB the addresses take five digits and the ASCII part moves along.
    QTest::newRow("65537 bytes, 4 x 4") << 65537 << 4 << 4 << 0 << addressesOf(65537, 16);
}

// Every line of a dump has the same width up to the ASCII part, which starts where asciiColumn
// says, after three spaces, and holds one character per byte of its line, blanks included.
void TestFrameDetail::dumpLinesKeepTheirShape()
{
    QFETCH(int, size);
    QFETCH(int, bytesPerColumn);
    QFETCH(int, columns);
    QFETCH(int, byteOrder);
    QFETCH(QStringList, addresses);

    QByteArray payload;
    for (int i = 0; i < size; ++i)
        payload.append(i % 5 == 1 ? ' ' : char('a' + i % 26));
    const QString dump = FrameDetail::payloadDump(payload, bytesPerColumn, columns, byteOrder);
    QVERIFY(dump.endsWith(QLatin1Char('\n')));
    const QStringList lines = dump.chopped(1).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), addresses.size());

    const int lineBytes = bytesPerColumn * columns;
    QString ascii;
    for (int k = 0; k < lines.size(); ++k) {
        const QString &line = lines.at(k);
        const int digits = int(addresses.at(k).size());
        const int groups = digits + 2;
        QCOMPARE(line.left(groups), addresses.at(k) + ": ");
        const int asciiColumn = FrameDetail::asciiColumn(bytesPerColumn, columns, digits);
        QCOMPARE(line.mid(asciiColumn - 3, 3), QStringLiteral("   "));
        const QString lineAscii = line.mid(asciiColumn);
        QCOMPARE(lineAscii.size(), qMin(lineBytes, size - k * lineBytes));
        ascii += lineAscii;

        // Reading each group's pairs back (last pair first when little endian) gives the bytes.
        for (int c = 0; c < columns; ++c) {
            const int at = groups + c * (2 * bytesPerColumn + 1);
            const QString group = line.mid(at, 2 * bytesPerColumn);
            QCOMPARE(line.at(at + 2 * bytesPerColumn), QLatin1Char(' '));
            for (int j = 0; j < bytesPerColumn; ++j) {
                const int pair = byteOrder == 1 ? bytesPerColumn - 1 - j : j;
                const int byte = k * lineBytes + c * bytesPerColumn + j;
                // Where the dump says the byte is, for marking it (addresses of four digits).
                if (byte < size && digits == 4) {
                    const FrameDetail::DumpPlace place =
                        FrameDetail::dumpPlace(byte, bytesPerColumn, columns, byteOrder);
                    QCOMPARE(place.line, k);
                    QCOMPARE(place.hexColumn, at + 2 * pair);
                    QCOMPARE(place.asciiColumn, asciiColumn + c * bytesPerColumn + j);
                }
                QCOMPARE(group.mid(2 * pair, 2),
                         byte < size ? QString::number(uchar(payload.at(byte)), 16).toUpper()
                                     : QStringLiteral("  "));
            }
        }
    }
    QCOMPARE(ascii, QString::fromLatin1(payload));
}

QTEST_APPLESS_MAIN(TestFrameDetail)
#include "tst_framedetail.moc"
