// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/frametext.h"

#include <QtTest>

using namespace Korvex;

namespace {

FrameRecord record3G(quint64 time, quint8 code, quint8 type, quint8 cts, const QByteArray &payload)
{
    FrameRecord record;
    record.setTime(time);
    record.setPayloadSizeCode(code);
    record.setChannelType(type);
    record.setCtsBit(cts);
    record.setPayload(payload);
    return record;
}

QStringList row(const FrameRecord &record, int protocolVersion)
{
    QStringList cells;
    for (int column = 0; column < FrameText::ColumnCount; ++column)
        cells.append(FrameText::cell(record, column, protocolVersion));
    return cells;
}

} // namespace

/// The texts of the frame table, shared by the viewer's table and drfdump.
class TestFrameText : public QObject
{
    Q_OBJECT

private slots:
    void titles();
    void rows_data();
    void rows();
    void payloadGroups_data();
    void payloadGroups();
    void frameColumnIsHeaderText();
    void appendsToWhatIsThere();
};

void TestFrameText::titles()
{
    const QStringList titles3G{"Time [ns]", "Frame", "CTS", "Payload Size [Bits]", "Payload"};
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(FrameText::columnTitle(column, 0), titles3G.at(column));
        QCOMPARE(FrameText::columnTitle(column, 1), column == 2 ? QStringLiteral("CRI")
                                                                : titles3G.at(column));
    }
    QCOMPARE(FrameText::columnTitle(5, 0), QString());
    QCOMPARE(FrameText::columnTitle(-1, 0), QString());
}

void TestFrameText::rows_data()
{
    QTest::addColumn<quint64>("time");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("cts");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("32 bit Data Channel A, CTS 1")
        << quint64(312) << 1 << 4 << 1 << QByteArray::fromHex("11223344")
        << QStringList{"1000", "32 bit Data Channel A", "1", "32", "1122 3344 "};
    QTest::newRow("8 bit Interface Control")
        << quint64(0) << 0 << 0 << 0 << QByteArray::fromHex("0a")
        << QStringList{"0", "8 bit Interface Control", "0", "8", "0A"};
    QTest::newRow("time past 2^32 ns does not wrap")
        << quint64(4294967295u) << 2 << 15 << 0 << QByteArray::fromHex("0affa0b1c2d3e4f5")
        << QStringList{"13765920817", "64 bit Reserved for future use", "0", "64",
                       "0AFF A0B1 C2D3 E4F5 "};
    QTest::newRow("time of 1000 ticks")
        << quint64(1000) << 3 << 1 << 1 << QByteArray(12, '\0')
        << QStringList{"3205", "96 bit Time Accurate Strobe Message", "1", "96",
                       "0000 0000 0000 0000 0000 0000 "};
}

void TestFrameText::rows()
{
    QFETCH(quint64, time);
    QFETCH(int, code);
    QFETCH(int, type);
    QFETCH(int, cts);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, cells);
    const FrameRecord record = record3G(time, quint8(code), quint8(type), quint8(cts), payload);
    QCOMPARE(row(record, 0), cells);
    // In a DigRF v4 table column 2 reads "not impl" whatever the record.
    cells[2] = QStringLiteral("not impl");
    QCOMPARE(row(record, 1), cells);
    QCOMPARE(FrameText::cell(record, 5, 0), QString());
}

void TestFrameText::payloadGroups_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("one byte") << QByteArray::fromHex("0a") << "0A";
    QTest::newRow("two bytes") << QByteArray::fromHex("0aff") << "0AFF ";
    QTest::newRow("three bytes") << QByteArray::fromHex("0aff12") << "0AFF 12";
    QByteArray large;
    QString groups;
    for (int i = 0; i < 64; ++i) {
        large += char(0xF0 + i % 16);
        groups += QStringLiteral("%1").arg(0xF0 + i % 16, 2, 16).toUpper();
        if (i % 2 == 1)
            groups += QLatin1Char(' ');
    }
    QTest::newRow("64 bytes: 32 groups") << large << groups;
}

void TestFrameText::payloadGroups()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    FrameRecord record;
    record.setPayload(payload);
    QCOMPARE(FrameText::cell(record, 4, 0), text);
}

void TestFrameText::frameColumnIsHeaderText()
{
    // Column 1 is built in place for speed; it must read as the record's own header text for
    // every size code (including the unsupported ones) and channel type, and for DigRF v4.
    for (int code = 0; code < 256; ++code) {
        for (int type = 0; type < 16; ++type) {
            const FrameRecord record = record3G(0, quint8(code), quint8(type), 0, {});
            QCOMPARE(FrameText::cell(record, 1, 0), record.headerText());
            QCOMPARE(FrameText::cell(record, 3, 0), QString::number(record.payloadSizeBits()));
        }
    }
    QByteArray bytes(8, '\0');
    QDataStream in(bytes);
    const FrameRecord v4(1, in);
    QCOMPARE(row(v4, 1), (QStringList{"0", "not impl", "not impl", "-1", ""}));
    QCOMPARE(FrameText::cell(v4, 1, 0), v4.headerText());
}

void TestFrameText::appendsToWhatIsThere()
{
    const FrameRecord record = record3G(312, 1, 4, 1, QByteArray::fromHex("11223344"));
    QString line = QStringLiteral("x\t");
    for (int column = 0; column < 5; ++column)
        FrameText::appendCell(line, record, column, 0);
    QCOMPARE(line, QStringLiteral("x\t100032 bit Data Channel A1321122 3344 "));
}

QTEST_GUILESS_MAIN(TestFrameText)
#include "tst_frametext.moc"
