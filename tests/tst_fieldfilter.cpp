// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefacts.h"
#include "core/filters/framefilter.h"
#include "core/filters/framerows.h"
#include "core/filters/framesearch.h"

#include <QtTest>

#include <memory>

using namespace Korvex;

namespace {

const QByteArray Definitions =
    "format = 1\n"
    "[[message]]\nname = \"GainWrite\"\nchannel = \"RF IC Control\"\npayload_bits = [32]\n"
    "match = \"op == 1 and reg == 0x2A\"\n"
    "[[message.field]]\nname = \"op\"\nstart = 0\nlength = 4\nvalues = { 0 = \"Read\", 1 = \"Write\" }\n"
    "[[message.field]]\nname = \"reg\"\nstart = 8\nlength = 8\n"
    "[[message.field]]\nname = \"gain\"\nstart = 16\nlength = 16\nsigned = true\n"
    "byte_order = \"little\"\nscale = 0.25\nunit = \"dB\"\n"
    "[[message]]\nname = \"RegWrite\"\nchannel = 2\npayload_bits = [32]\nmatch = 'op == \"Write\"'\n"
    "[[message.field]]\nname = \"op\"\nstart = 0\nlength = 4\nvalues = { 0 = \"Read\", 1 = \"Write\" }\n"
    "[[message.field]]\nname = \"reg\"\nstart = 8\nlength = 8\n"
    "[[message.field]]\nname = \"value\"\nstart = 16\nlength = 16\n"
    "[[message]]\nname = \"Timer\"\nchannel = 1\n"
    "[[message.field]]\nname = \"big\"\nstart = 0\nlength = 64\n";

/// Frames 0 and 1 are GainWrite (gain -3.5 and 1 dB), 2 is RegWrite, 3 a read that is no
/// message, 4 a Data Channel frame, 5 and 6 Timer (2^64 - 1 and 2^64 - 2), 7 an RF IC Control
/// frame of 64 bits that is no message.
QByteArray frames()
{
    using CaptureFixture::frameOf;
    return frameOf(1, 2, 0, 0, QByteArray::fromHex("102af2ff"))
           + frameOf(1, 2, 0, 10, QByteArray::fromHex("102a0400"))
           + frameOf(1, 2, 1, 10, QByteArray::fromHex("10310001"))
           + frameOf(1, 2, 0, 10, QByteArray::fromHex("00310000"))
           + frameOf(1, 4, 0, 10, QByteArray::fromHex("102af2ff"))
           + frameOf(2, 1, 0, 10, QByteArray::fromHex("ffffffffffffffff"))
           + frameOf(2, 1, 0, 10, QByteArray::fromHex("fffffffffffffffe"))
           + frameOf(2, 2, 0, 10, QByteArray::fromHex("102af2ff00000000"));
}

QList<qint64> matching(const Capture &capture, const FilterExpression &expression)
{
    QList<qint64> found;
    const std::shared_ptr<FrameBitmap> bits = FrameFilter(capture, expression).matchingFrames();
    for (qint64 n = 0; bits && n < bits->size(); ++n) {
        if (bits->test(n))
            found.append(n);
    }
    return found;
}

} // namespace

/// Filters on messages and fields: what they match over a capture, frame by frame and from the
/// index, where their mistakes point, and Find with them.
class TestFieldFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void matches_data();
    void matches();
    void errors_data();
    void errors();
    void notDigRf3G();
    void findsMessages();

private:
    std::shared_ptr<const FieldDefinitions> m_definitions;
    std::unique_ptr<Capture> m_capture;
};

void TestFieldFilter::initTestCase()
{
    QStringList errors;
    m_definitions = FieldDefinitions::parse(Definitions, QStringLiteral("f.toml"), &errors);
    QVERIFY2(m_definitions, qPrintable(errors.join(QLatin1Char('\n'))));
    m_capture = CaptureFixture::load3G(frames());
    QVERIFY(m_capture && m_capture->frameCount() == 8);
}

void TestFieldFilter::matches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("frames");

    QTest::newRow("message") << "message == \"GainWrite\"" << QList<qint64>{0, 1};
    QTest::newRow("not the message") << "message != \"GainWrite\"" << QList<qint64>{2, 3, 4, 5, 6, 7};
    QTest::newRow("messages") << "MESSAGE in {\"RegWrite\" \"Timer\"}" << QList<qint64>{2, 5, 6};
    QTest::newRow("physical value") << "GainWrite.gain >= -3.5" << QList<qint64>{0, 1};
    QTest::newRow("above a negative") << "GainWrite.gain > -3.5" << QList<qint64>{1};
    QTest::newRow("below zero") << "GainWrite.gain<0" << QList<qint64>{0};
    QTest::newRow("equal to a whole number") << "GainWrite.gain == 1" << QList<qint64>{1};
    QTest::newRow("others never match") << "GainWrite.gain != 1" << QList<qint64>{0};
    QTest::newRow("negated") << "not GainWrite.gain == 1" << QList<qint64>{0, 2, 3, 4, 5, 6, 7};
    QTest::newRow("value name") << "GainWrite.op == \"Write\"" << QList<qint64>{0, 1};
    QTest::newRow("not the value name") << "RegWrite.op != \"Write\"" << QList<qint64>{};
    QTest::newRow("hex and a set") << "RegWrite.reg == 0x31 and RegWrite.value in {1, 2}" << QList<qint64>{2};
    QTest::newRow("64 bits exactly") << "Timer.big == 0xFFFFFFFFFFFFFFFF" << QList<qint64>{5};
    QTest::newRow("64 bits in decimal") << "Timer.big > 18446744073709551614" << QList<qint64>{5};
    QTest::newRow("64 bits and a fraction") << "Timer.big >= 1.5" << QList<qint64>{5, 6};
    QTest::newRow("with header fields") << "(GainWrite.gain < 0 or RegWrite.value == 1) and cts == 0"
                                        << QList<qint64>{0};
    QTest::newRow("with the frame") << "message == \"GainWrite\" and frame > 0" << QList<qint64>{1};
    QTest::newRow("with a pattern") << "payload contains 2a and not message == \"GainWrite\""
                                    << QList<qint64>{4, 7};
}

void TestFieldFilter::matches()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, frames);
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error, m_definitions);
    QVERIFY2(!error.isError(), qPrintable(error.message()));
    QVERIFY(expression.needsPayload());
    QCOMPARE(matching(*m_capture, expression), frames);
    // One frame at a time, as drfdump judges frames as it reads them.
    for (qint64 n = 0; n < m_capture->frameCount(); ++n)
        QCOMPARE(expression.matches(FrameFacts::fromRecord(m_capture->frame(n), n)), frames.contains(n));
}

void TestFieldFilter::errors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("definitions");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown message")
        << "Foo.gain > 1" << true
        << "Column 1: expected a message of the definitions (GainWrite, RegWrite, Timer), found 'Foo'.";
    QTest::newRow("unknown field")
        << "GainWrite.gian > 1" << true
        << "Column 11: expected a field of GainWrite (op, reg, gain), found 'gian'.";
    QTest::newRow("unknown message name")
        << "message == \"Foo\"" << true
        << "Column 12: expected a message name in quotes (\"GainWrite\", \"RegWrite\", \"Timer\"), "
           "found '\"Foo\"'.";
    QTest::newRow("message in order")
        << "message > \"Timer\"" << true
        << "Column 9: expected ==, != or in (messages are compared by name), found '>'.";
    QTest::newRow("unknown value name")
        << "GainWrite.op == \"Writ\"" << true
        << "Column 17: expected a number or a value name of op in quotes (\"Read\", \"Write\"), "
           "found '\"Writ\"'.";
    QTest::newRow("value name in order")
        << "GainWrite.op < \"Write\"" << true
        << "Column 16: expected a number such as 12, -3.5 or 0x2A, found '\"Write\"'.";
    QTest::newRow("field without names")
        << "GainWrite.gain in {1, \"Write\"}" << true
        << "Column 23: expected a number such as 12, -3.5 or 0x2A, found '\"Write\"'.";
    QTest::newRow("names beside numbers")
        << "GainWrite.op in {1, \"Write\"}" << true
        << "Column 21: expected a number or a value name of op in quotes (\"Read\", \"Write\"), "
           "found '\"Write\"'.";
    QTest::newRow("sign apart")
        << "GainWrite.gain >= - 3" << true
        << "Column 19: expected a number such as 12, -3.5 or 0x2A, found '-'.";
    QTest::newRow("no fraction digits")
        << "GainWrite.gain >= 1." << true
        << "Column 19: expected a number such as 12, -3.5 or 0x2A, found '1.'.";
    QTest::newRow("hex past 64 bits")
        << "Timer.big == 0x10000000000000000" << true
        << "Column 14: expected a number below 2^64, found '0x10000000000000000'.";
    QTest::newRow("unknown word")
        << "frob == 1" << true
        << "Column 1: expected a field (channel, size, code, cts, frame, time, payload, message or "
           "MESSAGE.FIELD), 'not' or '(', found 'frob'.";
    QTest::newRow("message without definitions")
        << "message == \"GainWrite\"" << false
        << "Column 1: expected a field (channel, size, code, cts, frame, time or payload), 'not' or "
           "'('; messages and their fields need a definition file, found 'message'.";
    QTest::newRow("field without definitions")
        << "cts == 1 and GainWrite.gain > 0" << false
        << "Column 14: expected a field (channel, size, code, cts, frame, time or payload), 'not' "
           "or '('; messages and their fields need a definition file, found 'GainWrite.gain'.";
}

void TestFieldFilter::errors()
{
    QFETCH(QString, text);
    QFETCH(bool, definitions);
    QFETCH(QString, message);
    FilterError error;
    const FilterExpression expression = definitions
                                            ? FilterExpression::parse(text, &error, m_definitions)
                                            : FilterExpression::parse(text, &error);
    QCOMPARE(error.message(), message);
    QVERIFY(expression.matchesEverything());
}

void TestFieldFilter::notDigRf3G()
{
    // The payloads of a DigRF v4 capture are not decoded: no message or field can be compared.
    for (const QString &text : {QStringLiteral("frame > 1 or message == \"Timer\""),
                                QStringLiteral("frame > 1 or Timer.big > 1")}) {
        FilterError error;
        const FilterExpression expression = FilterExpression::parse(text, &error, m_definitions);
        QVERIFY(!error.isError());
        const FilterError outside = expression.checkFor(1);
        QCOMPARE(outside.position, 13);
        QCOMPARE(outside.found, text.mid(13, text.indexOf(u' ', 13) - 13));
    }
}

void TestFieldFilter::findsMessages()
{
    FilterError error;
    const FilterExpression timer = FilterExpression::parse(QStringLiteral("message == \"Timer\""),
                                                           &error, m_definitions);
    const FrameRows all(m_capture->frameCount());
    FrameSearch::Result result = FrameSearch::find(*m_capture, timer, all, 0,
                                                   FrameSearch::Direction::Forward);
    QCOMPARE(result.frame, 5);
    QVERIFY(!result.wrapped);
    result = FrameSearch::find(*m_capture, timer, all, 6, FrameSearch::Direction::Forward);
    QCOMPARE(result.frame, 5);
    QVERIFY(result.wrapped);
    const FilterExpression gain = FilterExpression::parse(QStringLiteral("GainWrite.gain > 0"),
                                                          &error, m_definitions);
    result = FrameSearch::find(*m_capture, gain, all, 5, FrameSearch::Direction::Backward);
    QCOMPARE(result.frame, 1);
}

QTEST_GUILESS_MAIN(TestFieldFilter)
#include "tst_fieldfilter.moc"
