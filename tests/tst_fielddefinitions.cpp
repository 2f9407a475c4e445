// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/fields/fieldcolumns.h"
#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/frames/payloadfield.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace Korvex;

namespace {

// The lines every error case of one message starts with: the message M on channel 2.
const QByteArray Message = "format = 1\n[[message]]\nname = \"M\"\nchannel = 2\n";

QByteArray field(const QByteArray &name, int start, int length, const QByteArray &more = {})
{
    return "[[message.field]]\nname = \"" + name + "\"\nstart = " + QByteArray::number(start)
           + "\nlength = " + QByteArray::number(length) + '\n' + more;
}

QStringList errorsOf(const QByteArray &text)
{
    QStringList errors;
    const std::shared_ptr<const FieldDefinitions> definitions =
        FieldDefinitions::parse(text, QStringLiteral("f.toml"), &errors);
    if (definitions && !errors.isEmpty())
        return {QStringLiteral("definitions despite errors")};
    if (!definitions && errors.isEmpty())
        return {QStringLiteral("no definitions and no error")};
    return errors;
}

std::shared_ptr<const FieldDefinitions> definitionsOf(const QByteArray &text)
{
    QStringList errors;
    std::shared_ptr<const FieldDefinitions> definitions =
        FieldDefinitions::parse(text, QStringLiteral("f.toml"), &errors);
    if (!errors.isEmpty())
        qWarning() << errors;
    return definitions;
}

quint8 header(int code, int channel, int cts = 0)
{
    return quint8(code << 5 | channel << 1 | cts);
}

} // namespace

/// Field definitions: decoding bits against hand-worked payloads, the texts of a field, which
/// message a frame is, and every mistake a definition file can hold, with its line and column.
class TestFieldDefinitions : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void texts_data();
    void texts();
    void firstMatchWins_data();
    void firstMatchWins();
    void errors_data();
    void errors();
    void syntaxErrorAndUnreadableFile();
    void charactersPastAscii();
    void sampleDefinitions();
};

void TestFieldDefinitions::decode_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("isSigned");
    QTest::addColumn<bool>("little");
    QTest::addColumn<quint64>("raw");
    QTest::addColumn<qint64>("value");

    QTest::newRow("byte") << QByteArray("a5") << 0 << 8 << false << false << quint64(0xA5) << qint64(0xA5);
    QTest::newRow("high nibble") << QByteArray("a5") << 0 << 4 << false << false << quint64(0xA) << qint64(0xA);
    QTest::newRow("low nibble") << QByteArray("a5") << 4 << 4 << false << false << quint64(5) << qint64(5);
    QTest::newRow("across bytes") << QByteArray("abcd") << 4 << 8 << false << false << quint64(0xBC) << qint64(0xBC);
    // 0xA9 = 1010 1001, 0x4D = 0100 1101: bits 6, 7 and 8 are 0, 1, 0.
    QTest::newRow("three bits across") << QByteArray("a94d") << 6 << 3 << false << false << quint64(2) << qint64(2);
    QTest::newRow("bit 0 is the top bit") << QByteArray("80") << 0 << 1 << false << false << quint64(1) << qint64(1);
    QTest::newRow("bit 7 is the low bit") << QByteArray("80") << 7 << 1 << false << false << quint64(0) << qint64(0);
    QTest::newRow("last bit of 512") << QByteArray(126, '0') + "01" << 511 << 1 << false << false << quint64(1) << qint64(1);
    QTest::newRow("64 bits") << QByteArray("0123456789abcdef") << 0 << 64 << false << false
                             << quint64(0x0123456789ABCDEF) << qint64(0x0123456789ABCDEF);
    QTest::newRow("64 bits over nine bytes") << QByteArray("0123456789abcdeff0") << 4 << 64 << false << false
                                             << quint64(0x123456789ABCDEFF) << qint64(0x123456789ABCDEFF);
    QTest::newRow("64 bits from bit 3") << QByteArray("ff00ff00ff00ff00ff") << 3 << 64 << false << false
                                        << quint64(0xF807F807F807F807) << qint64(0xF807F807F807F807);
    QTest::newRow("little 16") << QByteArray("0000f4ff") << 16 << 16 << false << true << quint64(0xFFF4) << qint64(0xFFF4);
    QTest::newRow("little 32") << QByteArray("11223344") << 0 << 32 << false << true << quint64(0x44332211) << qint64(0x44332211);
    QTest::newRow("little 64") << QByteArray("0102030405060708") << 0 << 64 << false << true
                               << quint64(0x0807060504030201) << qint64(0x0807060504030201);
    QTest::newRow("signed little 16") << QByteArray("0000f4ff") << 16 << 16 << true << true << quint64(0xFFF4) << qint64(-12);
    QTest::newRow("signed nibble") << QByteArray("f0") << 0 << 4 << true << false << quint64(15) << qint64(-1);
    QTest::newRow("signed positive") << QByteArray("70") << 0 << 4 << true << false << quint64(7) << qint64(7);
    QTest::newRow("signed 12 across") << QByteArray("0800") << 4 << 12 << true << false << quint64(0x800) << qint64(-2048);
    QTest::newRow("signed 64") << QByteArray("fffffffffffffffe") << 0 << 64 << true << false << quint64(0xFFFFFFFFFFFFFFFE) << qint64(-2);
}

void TestFieldDefinitions::decode()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(bool, isSigned);
    QFETCH(bool, little);
    QFETCH(quint64, raw);
    QFETCH(qint64, value);
    const QByteArray bytes = QByteArray::fromHex(payload);
    const PayloadField layout(start, length, isSigned, little);
    QCOMPARE(layout.raw(reinterpret_cast<const uchar *>(bytes.constData())), raw);
    QCOMPARE(layout.signedValue(raw), value);
    QCOMPARE(layout.physical(raw), isSigned ? double(value) : double(raw));
}

void TestFieldDefinitions::texts_data()
{
    QTest::addColumn<QByteArray>("more");
    QTest::addColumn<int>("length");
    QTest::addColumn<quint64>("raw");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("rawText");
    QTest::addColumn<QString>("physical");

    QTest::newRow("decimal") << QByteArray() << 8 << quint64(200) << "200" << "200" << "200";
    QTest::newRow("signed decimal") << QByteArray("signed = true\n") << 8 << quint64(0xC8) << "-56" << "-56" << "-56";
    QTest::newRow("hex padded to the width") << QByteArray("base = 16\n") << 12 << quint64(0xAB) << "0x0AB" << "0x0AB" << "171";
    QTest::newRow("signed hex shows the bits") << QByteArray("base = 16\nsigned = true\n") << 8 << quint64(0xF4)
                                               << "0xF4" << "0xF4" << "-12";
    QTest::newRow("octal") << QByteArray("base = 8\n") << 7 << quint64(9) << "0o011" << "0o011" << "9";
    QTest::newRow("binary, a digit per bit") << QByteArray("base = 2\n") << 5 << quint64(5) << "0b00101" << "0b00101" << "5";
    QTest::newRow("64-bit decimal") << QByteArray() << 64 << ~quint64(0) << "18446744073709551615"
                                    << "18446744073709551615" << "18446744073709551616";
    QTest::newRow("value name") << QByteArray("values = { 0 = \"Read\", 1 = \"Write\" }\n") << 4 << quint64(1)
                                << "Write" << "1" << "1";
    QTest::newRow("value without a name") << QByteArray("values = { 0 = \"Read\" }\nbase = 16\n") << 4 << quint64(2)
                                          << "0x2" << "0x2" << "2";
    QTest::newRow("signed value name") << QByteArray("signed = true\nvalues = { -1 = \"Off\" }\n") << 4 << quint64(15)
                                       << "Off" << "-1" << "-1";
    QTest::newRow("scale and unit") << QByteArray("signed = true\nscale = 0.25\nunit = \"dB\"\n") << 16 << quint64(0xFFF2)
                                    << "-3.5 dB" << "-14" << "-3.5 dB";
    QTest::newRow("shortest that reads back") << QByteArray("scale = 0.1\n") << 8 << quint64(3)
                                              << "0.30000000000000004" << "3" << "0.30000000000000004";
    QTest::newRow("offset") << QByteArray("offset = -40\n") << 8 << quint64(0) << "-40" << "0" << "-40";
    QTest::newRow("scale and offset") << QByteArray("scale = 0.5\noffset = -40.25\n") << 8 << quint64(100)
                                      << "9.75" << "100" << "9.75";
    QTest::newRow("exponent when shorter") << QByteArray("scale = 1e10\n") << 8 << quint64(100) << "1e+12" << "100" << "1e+12";
    QTest::newRow("unit alone shows the physical value") << QByteArray("unit = \"V\"\nbase = 16\n") << 8 << quint64(5)
                                                         << "5 V" << "0x05" << "5 V";
    QTest::newRow("no negative zero") << QByteArray("signed = true\nscale = -1.0\n") << 8 << quint64(0) << "0" << "0" << "0";
}

void TestFieldDefinitions::texts()
{
    QFETCH(QByteArray, more);
    QFETCH(int, length);
    QFETCH(quint64, raw);
    QFETCH(QString, cell);
    QFETCH(QString, rawText);
    QFETCH(QString, physical);
    const auto definitions = definitionsOf(Message + field("f", 0, length, more));
    QVERIFY(definitions);
    const FieldDefinition &f = definitions->field(0, 0);
    QCOMPARE(FieldText::cell(f, raw), cell);
    QCOMPARE(FieldText::rawText(f, raw), rawText);
    QCOMPARE(FieldText::physicalText(f, raw), physical);
    // The shortest text reads back as the same double.
    const double value = f.layout.physical(raw);
    QCOMPARE(FieldText::number(value).toDouble(), value);
}

void TestFieldDefinitions::firstMatchWins_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("cts");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("message");

    QTest::newRow("condition met") << 1 << 2 << 0 << QByteArray("102a0000") << "Gain";
    QTest::newRow("earlier message first") << 2 << 2 << 0 << QByteArray("102a000000000000") << "Wide";
    QTest::newRow("condition not met") << 1 << 2 << 0 << QByteArray("10100000") << "Any";
    QTest::newRow("no condition met") << 1 << 2 << 0 << QByteArray("30000000") << "";
    QTest::newRow("payload size not listed") << 0 << 2 << 0 << QByteArray("10") << "Any";
    QTest::newRow("other channel") << 1 << 3 << 0 << QByteArray("102a0000") << "";
    QTest::newRow("header in the condition") << 1 << 1 << 1 << QByteArray("00000000") << "Cts";
    QTest::newRow("header not in the condition") << 1 << 1 << 0 << QByteArray("00000000") << "";
    QTest::newRow("payload cut short") << 1 << 2 << 0 << QByteArray("102a") << "";
}

void TestFieldDefinitions::firstMatchWins()
{
    QFETCH(int, code);
    QFETCH(int, channel);
    QFETCH(int, cts);
    QFETCH(QByteArray, payload);
    QFETCH(QString, message);
    // Wide needs a payload past 32 bits; Gain comes in 32 bits only; Any takes what is left.
    const auto definitions = definitionsOf(
        "format = 1\n"
        "[[message]]\nname = \"Wide\"\nchannel = 2\n" + field("x", 32, 8)
        + "[[message]]\nname = \"Gain\"\nchannel = \"rf ic control\"\npayload_bits = [32]\n"
          "match = \"op == 1 and reg == 0x2A\"\n"
        + field("op", 0, 4) + field("reg", 8, 8)
        + "[[message]]\nname = \"Any\"\nchannel = 2\nmatch = \"op != 3\"\n" + field("op", 0, 4)
        + "[[message]]\nname = \"Cts\"\nchannel = 1\nmatch = 'cts == 1'\n");
    QVERIFY(definitions);
    const QByteArray bytes = QByteArray::fromHex(payload);
    const int found = definitions->messageOf(header(code, channel, cts),
                                             reinterpret_cast<const uchar *>(bytes.constData()),
                                             int(bytes.size()));
    QCOMPARE(found < 0 ? QString() : definitions->message(found).name, message);
}

void TestFieldDefinitions::errors_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("unknown key in the file")
        << QByteArray("format = 1\ncolor = 3\n")
        << QStringList{"f.toml:2:1: unknown key 'color' in the file (it takes format, message)"};
    QTest::newRow("unknown key in a message")
        << Message + "payload_size = 32\n"
        << QStringList{"f.toml:5:1: unknown key 'payload_size' in a message (it takes name, "
                       "channel, payload_bits, match, field)"};
    QTest::newRow("unknown key in a field")
        << Message + field("a", 0, 1, "sign = true\n")
        << QStringList{"f.toml:9:1: unknown key 'sign' in a field (it takes name, start, length, "
                       "signed, byte_order, scale, offset, unit, base, values)"};
    QTest::newRow("missing key")
        << Message + "[[message.field]]\nname = \"a\"\nlength = 1\n"
        << QStringList{"f.toml:5:1: a field needs 'start'"};
    QTest::newRow("no format") << QByteArray("[[message]]\nname = \"M\"\nchannel = 2\n")
                               << QStringList{"f.toml:1:1: the file needs 'format'"};
    QTest::newRow("format 2") << QByteArray("format = 2\n")
                              << QStringList{"f.toml:1:10: 'format' must be 1, the only format there is"};
    QTest::newRow("wrong type")
        << Message + "[[message.field]]\nname = \"a\"\nstart = \"0\"\nlength = 1\n"
        << QStringList{"f.toml:7:9: 'start' must be an integer, not a string"};
    QTest::newRow("wrong type of channel")
        << QByteArray("format = 1\n[[message]]\nname = \"M\"\nchannel = 2.5\n")
        << QStringList{"f.toml:4:11: 'channel' must be a string or an integer, not a floating-point number"};
    QTest::newRow("unknown channel")
        << QByteArray("format = 1\n[[message]]\nname = \"M\"\nchannel = \"RF IC\"\n")
        << QStringList{"f.toml:4:11: unknown channel 'RF IC': a channel is a number from 0 to 15 or "
                       "one of \"Interface Control\", \"Time Accurate Strobe Message\", \"RF IC Control\", "
                       "\"Reserved\", \"Data Channel A\", \"Data Channel B\", \"Data Channel C\", "
                       "\"Data Channel D\", \"Data Channel E\", \"Data Channel F\", \"Data Channel G\", "
                       "\"Data Channel H\""};
    QTest::newRow("channel of four numbers")
        << QByteArray("format = 1\n[[message]]\nname = \"M\"\nchannel = \"Reserved for future use\"\n")
        << QStringList{"f.toml:4:11: 'Reserved for future use' stands for channels 12 to 15: give one of those numbers"};
    QTest::newRow("channel number") << QByteArray("format = 1\n[[message]]\nname = \"M\"\nchannel = 16\n")
                                    << QStringList{"f.toml:4:11: channel 16 is none of 0 to 15"};
    QTest::newRow("past 512 bits") << Message + field("a", 500, 16)
                                   << QStringList{"f.toml:7:9: field 'a' ends at bit 515, past the largest payload (512 bits)"};
    QTest::newRow("past the message's payloads")
        << Message + "payload_bits = [8, 32]\n" + field("a", 24, 16)
        << QStringList{"f.toml:8:9: field 'a' ends at bit 39, past the largest payload of this message (32 bits)"};
    QTest::newRow("length 0") << Message + field("a", 0, 0)
                              << QStringList{"f.toml:8:10: length 0: a field is 1 to 64 bits long"};
    QTest::newRow("length 65") << Message + field("a", 0, 65)
                               << QStringList{"f.toml:8:10: length 65: a field is 1 to 64 bits long"};
    QTest::newRow("duplicate message")
        << Message + "[[message]]\nname = \"M\"\nchannel = 3\n"
        << QStringList{"f.toml:5:1: a second message named 'M' (the first is on line 2)"};
    QTest::newRow("duplicate field") << Message + field("a", 0, 1) + field("a", 1, 1)
                                     << QStringList{"f.toml:10:8: a second field named 'a' in message 'M' (the first is on line 6)"};
    QTest::newRow("little not whole bytes") << Message + field("a", 4, 8, "byte_order = \"little\"\n")
                                            << QStringList{"f.toml:9:14: \"little\" needs a field of whole bytes: start and length multiples of 8"};
    QTest::newRow("byte order") << Message + field("a", 0, 8, "byte_order = \"middle\"\n")
                                << QStringList{"f.toml:9:14: byte order 'middle' is neither \"big\" nor \"little\""};
    QTest::newRow("payload size") << Message + "payload_bits = [32, 40]\n"
                                  << QStringList{"f.toml:5:21: a payload size is 8, 32, 64, 96, 128, 256 or 512 bits"};
    QTest::newRow("base") << Message + field("a", 0, 8, "base = 3\n")
                          << QStringList{"f.toml:9:8: base 3 is none of 2, 8, 10 or 16"};
    QTest::newRow("scale not finite") << Message + field("a", 0, 8, "scale = nan\n")
                                      << QStringList{"f.toml:9:9: 'scale' must be a finite number"};
    QTest::newRow("name") << QByteArray("format = 1\n[[message]]\nname = \"2nd\"\nchannel = 2\n")
                          << QStringList{"f.toml:3:8: '2nd' is not a name: letters, digits and _, not starting with a digit"};
    QTest::newRow("name of a filter word") << Message + field("not", 0, 8)
                                           << QStringList{"f.toml:6:8: 'not' is a word of the filter language and cannot be a name"};
    QTest::newRow("value too large") << Message + field("a", 0, 4, "values = { 16 = \"x\" }\n")
                                     << QStringList{"f.toml:9:12: value 16 does not fit the field's 4 bits (0 to 15)"};
    QTest::newRow("value too small") << Message + field("a", 0, 4, "signed = true\nvalues = { -9 = \"x\" }\n")
                                     << QStringList{"f.toml:10:12: value -9 does not fit the field's 4 bits (-8 to 7)"};
    QTest::newRow("value named twice") << Message + field("a", 0, 4, "values = { 1 = \"x\", 0x1 = \"y\" }\n")
                                       << QStringList{"f.toml:9:21: value 0x1 is named twice (first on line 9)"};
    QTest::newRow("value name with a tab") << Message + field("a", 0, 4, "values = { 1 = \"x\\ty\" }\n")
                                           << QStringList{"f.toml:9:16: a value name cannot hold control characters"};
    QTest::newRow("match") << Message + "match = \"a == 1 and b\"\n" + field("a", 0, 4)
                           << QStringList{"f.toml:5:21: match: expected a field of M (a) or of the frame (channel, "
                                          "size, code, cts or payload), 'not' or '(', found 'b'"};
    QTest::newRow("match with an escape") << Message + "match = \"a\\t== 1 )\"\n" + field("a", 0, 4)
                                          << QStringList{"f.toml:5:18: match: expected 'and', 'or' or the end of the "
                                                         "filter, found ')'"};
    QTest::newRow("match over lines") << Message + "match = '''\na == 1 and\n  frame == 2'''\n" + field("a", 0, 4)
                                      << QStringList{"f.toml:7:3: match: expected a field of M (a) or of the frame "
                                                     "(channel, size, code, cts or payload), 'not' or '(', found 'frame'"};
    QTest::newRow("match value name") << Message + "match = \"a == 'x'\"\n" + field("a", 0, 4, "values = { 1 = \"On\" }\n")
                                      << QStringList{"f.toml:5:15: match: expected a number or a value name of a in quotes "
                                                     "(\"On\"), found '''"};
    QTest::newRow("mistakes in the file's order")
        << Message + field("a", 0, 0, "base = 3\n") + "[[message]]\nname = \"N\"\nchannel = -1\n"
        << QStringList{"f.toml:8:10: length 0: a field is 1 to 64 bits long",
                       "f.toml:9:8: base 3 is none of 2, 8, 10 or 16",
                       "f.toml:12:11: channel -1 is none of 0 to 15"};
}

void TestFieldDefinitions::errors()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, errors);
    QCOMPARE(errorsOf(text), errors);
}

void TestFieldDefinitions::syntaxErrorAndUnreadableFile()
{
    const QStringList syntax = errorsOf("format = 1\nx = = 2\n");
    QCOMPARE(syntax.size(), 1);
    QVERIFY2(syntax.first().startsWith(QLatin1String("f.toml:2:5: ")), qPrintable(syntax.first()));

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.fields.toml"));
    QStringList errors;
    QVERIFY(!FieldDefinitions::read(missing, &errors));
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(missing + QLatin1String(": cannot be read: ")),
             qPrintable(errors.first()));
    QCOMPARE(FieldDefinitions::fileBeside(QStringLiteral("/a/b.drf3")),
             QStringLiteral("/a/b.drf3.fields.toml"));
}

void TestFieldDefinitions::charactersPastAscii()
{
    // The TOML parser has no answer whether many of these (°, é, ¡, ﻼ) are blanks: it reads
    // stand-ins for them, and every text and mistake gets the characters back.
    const auto definitions = definitionsOf("format = 1 # été\n[[message]]\nname = \"Réglage\"\n"
                                           "channel = 2\n"
                                           + field("t", 0, 8, "unit = '°C'\nvalues = { 1 = \"\\u00e9\", 2 = \"ﻼ\" }\n"));
    QVERIFY(definitions);
    QCOMPARE(definitions->message(0).name, QStringLiteral("Réglage"));
    QCOMPARE(FieldText::cell(definitions->field(0, 0), 3), QStringLiteral("3 °C"));
    QCOMPARE(definitions->field(0, 0).valueNames(), QStringList({QStringLiteral("é"), QStringLiteral("ﻼ")}));
    const QStringList errors = errorsOf("format = 1\nx = 1\nn¡me = 1\n");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.first().startsWith(QLatin1String("f.toml:3:2: ")) && errors.first().contains(u'¡'),
             qPrintable(errors.first()));
}

void TestFieldDefinitions::sampleDefinitions()
{
    QStringList errors;
    const auto definitions = FieldDefinitions::read(
        QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3.fields.toml"), &errors);
    QVERIFY2(definitions, qPrintable(errors.join(QLatin1Char('\n'))));
    const FieldColumns columns(definitions);
    // Frames of the invented register layout, each with the cells it shows.
    const struct
    {
        quint8 header;
        const char *payload;
        QStringList cells;
    } frames[] = {
        // Write of register 0x2A: the gain 0xFFF2 stored low byte first, -14 * 0.25 dB.
        {header(1, 2), "102af2ff", {"GainWrite", "Write", "0x2A", "-3.5 dB"}},
        {header(1, 2), "1031beef", {"RegWrite", "Write", "FREQ", "0xBEEF"}},
        {header(1, 2), "00440000", {"RegRead", "STATUS", "Read"}},
        {header(1, 1), "00012345", {"Strobe", "74565"}},
        {header(2, 2), "102af2ff00000000", {}},
    };
    for (const auto &frame : frames) {
        const QByteArray payload = QByteArray::fromHex(frame.payload);
        const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
        const int message = definitions->messageOf(frame.header, bytes, int(payload.size()));
        QStringList cells;
        for (int k = 0; k < columns.count(); ++k) {
            const QString cell = columns.cell(k, message, bytes);
            if (!cell.isEmpty())
                cells.append(cell);
        }
        QCOMPARE(cells, frame.cells);
    }
    QCOMPARE(columns.title(0), QStringLiteral("Message"));
    QCOMPARE(columns.title(3), QStringLiteral("GainWrite.gain"));

    // The bundled capture: every RF IC Control and strobe frame is one of its messages.
    Capture capture(QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3"));
    CaptureFixture::QuietSink sink;
    QCOMPARE(capture.load(sink), Capture::Status::Loaded);
    qint64 expected = 0;
    qint64 decoded = 0;
    for (qint64 n = 0; n < capture.frameCount(); ++n) {
        const FrameRecord record = capture.frame(n);
        if (record.channelType() == 1 || record.channelType() == 2) {
            ++expected;
            decoded += definitions->messageOf(record) >= 0 ? 1 : 0;
        }
    }
    QVERIFY(expected > 0);
    QCOMPARE(decoded, expected);
}

QTEST_GUILESS_MAIN(TestFieldDefinitions)
#include "tst_fielddefinitions.moc"
