// SPDX-License-Identifier: GPL-3.0-or-later
#include "capturefixture.h"

#include "core/files/capture.h"
#include "core/filters/framebitmap.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"
#include "core/filters/framefilter.h"
#include "core/filters/framesearch.h"
#include "core/frames/frameheader.h"
#include "core/filters/framerows.h"
#include "core/tasks/parallelpass.h"

#include <QFile>
#include <QRandomGenerator>
#include <QThreadPool>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using namespace Korvex;

namespace {

using Reference = std::function<bool(const FrameRecord &, qint64)>;

/// A random expression's text and the same condition written straight over a frame's record.
struct Generated
{
    QString text;
    Reference matches;
};

/// Frames of known fields, times and payloads for the table-driven cases. Times: 0, 1000 ns,
/// 2000 ns, 1002000 ns and 1002003 ns.
QByteArray knownFrames()
{
    using CaptureFixture::frameOf;
    return frameOf(1, 2, 0, 0, QByteArray::fromHex("7e100155"))
           + frameOf(0, 0, 1, 312, QByteArray::fromHex("41"))
           + frameOf(2, 4, 0, 312, QByteArray("AT+CMD01"))
           + frameOf(1, 13, 1, 312000, QByteArray::fromHex("00010203"))
           + frameOf(3, 2, 1, 1, QByteArray::fromHex("0001027e550104050607087e"));
}

std::vector<qint64> matchingFrames(const Capture &capture, const FilterExpression &expression)
{
    std::vector<qint64> frames;
    const std::shared_ptr<FrameBitmap> bits = FrameFilter(capture, expression).matchingFrames();
    for (qint64 n = 0; bits && n < bits->size(); ++n) {
        if (bits->test(n))
            frames.push_back(n);
    }
    return frames;
}

QString channelName(int type)
{
    FrameHeader header;
    header.channelType = quint8(type);
    return header.channelTypeName();
}

const char *const Orders[] = {"==", "!=", "<", "<=", ">", ">="};

bool ordered(int op, quint64 a, quint64 b)
{
    switch (op) {
    case 0:
        return a == b;
    case 1:
        return a != b;
    case 2:
        return a < b;
    case 3:
        return a <= b;
    case 4:
        return a > b;
    default:
        return a >= b;
    }
}

/// Random comparisons and combinations of them, each with its reference.
class ExpressionMaker
{
public:
    ExpressionMaker(quint32 seed, const std::vector<FrameRecord> &records)
        : m_random(seed)
        , m_records(records)
    {
    }

    Generated make(int depth)
    {
        if (depth == 0 || m_random.bounded(3) == 0)
            return comparison();
        const int kind = int(m_random.bounded(3));
        const Generated a = make(depth - 1);
        if (kind == 0) {
            return {QStringLiteral("not (%1)").arg(a.text),
                    [a](const FrameRecord &r, qint64 n) { return !a.matches(r, n); }};
        }
        const Generated b = make(depth - 1);
        if (kind == 1) {
            return {QStringLiteral("(%1) and (%2)").arg(a.text, b.text),
                    [a, b](const FrameRecord &r, qint64 n) { return a.matches(r, n) && b.matches(r, n); }};
        }
        return {QStringLiteral("(%1) || (%2)").arg(a.text, b.text),
                [a, b](const FrameRecord &r, qint64 n) { return a.matches(r, n) || b.matches(r, n); }};
    }

private:
    const FrameRecord &someRecord()
    {
        return m_records[std::size_t(m_random.bounded(int(m_records.size())))];
    }

    Generated comparison()
    {
        const int op = int(m_random.bounded(6));
        const QString symbol = QLatin1String(Orders[op]);
        switch (m_random.bounded(8)) {
        case 0: {
            const int channel = int(m_random.bounded(16));
            if (op < 2 && m_random.bounded(2) == 0) {
                const QString name = channelName(channel);
                return {QStringLiteral("channel %1 \"%2\"").arg(symbol, name),
                        [op, name](const FrameRecord &r, qint64) {
                            return (r.channelTypeName() == name) == (op == 0);
                        }};
            }
            return {QStringLiteral("channel %1 %2").arg(symbol).arg(channel),
                    [op, channel](const FrameRecord &r, qint64) {
                        return ordered(op, r.channelType(), quint64(channel));
                    }};
        }
        case 1: {
            static const int sizes[] = {8, 32, 64, 96, 128, 256, 512};
            const int bits = sizes[m_random.bounded(7)];
            return {QStringLiteral("size %1 %2").arg(symbol).arg(bits),
                    [op, bits](const FrameRecord &r, qint64) {
                        return ordered(op, quint64(r.payloadSizeBits()), quint64(bits));
                    }};
        }
        case 2: {
            const int code = int(m_random.bounded(7));
            return {QStringLiteral("code %1 0x%2").arg(symbol).arg(code, 0, 16),
                    [op, code](const FrameRecord &r, qint64) {
                        return ordered(op, r.payloadSizeCode(), quint64(code));
                    }};
        }
        case 3: {
            const int cts = int(m_random.bounded(2));
            return {QStringLiteral("CTS %1 %2").arg(symbol).arg(cts),
                    [op, cts](const FrameRecord &r, qint64) { return ordered(op, r.ctsBit(), quint64(cts)); }};
        }
        case 4: {
            const qint64 frame = m_random.bounded(qint64(m_records.size()) + 3);
            return {QStringLiteral("frame %1 %2").arg(symbol).arg(frame),
                    [op, frame](const FrameRecord &, qint64 n) { return ordered(op, quint64(n), quint64(frame)); }};
        }
        case 5: {
            // A frame's own time, written in the largest unit that keeps it whole.
            const quint64 ns = someRecord().timeNs() + m_random.bounded(3);
            QString text = QString::number(ns);
            if (ns % 1000000 == 0)
                text = QStringLiteral("%1 ms").arg(ns / 1000000);
            else if (ns % 1000 == 0)
                text = QStringLiteral("%1.0us").arg(ns / 1000);
            else if (m_random.bounded(2) == 0)
                text = QStringLiteral("%1.%2us").arg(ns / 1000).arg(ns % 1000, 3, 10, QLatin1Char('0'));
            return {QStringLiteral("time %1 %2").arg(symbol, text),
                    [op, ns](const FrameRecord &r, qint64) { return ordered(op, r.timeNs(), ns); }};
        }
        case 6: {
            const int count = int(m_random.bounded(1, 5));
            std::vector<quint64> channels;
            QStringList words;
            for (int i = 0; i < count; ++i) {
                channels.push_back(m_random.bounded(16));
                words.append(QString::number(channels.back()));
            }
            return {QStringLiteral("channel in {%1}").arg(words.join(QLatin1String(", "))),
                    [channels](const FrameRecord &r, qint64) {
                        return std::find(channels.begin(), channels.end(), r.channelType()) != channels.end();
                    }};
        }
        default: {
            // Bytes taken from some frame's payload, so that the pattern is found now and then.
            const QByteArray payload = someRecord().payload();
            const int length = int(m_random.bounded(1, 4));
            const int start = payload.size() > length ? int(m_random.bounded(int(payload.size()) - length)) : 0;
            QByteArray wanted = payload.mid(start, length);
            QStringList words;
            QList<bool> any;
            for (const char byte : std::as_const(wanted)) {
                any.append(m_random.bounded(4) == 0);
                words.append(any.back() ? QStringLiteral("??")
                                        : QString::fromLatin1(QByteArray(1, byte).toHex()));
            }
            return {QStringLiteral("payload contains %1").arg(words.join(QLatin1Char(' '))),
                    [wanted, any](const FrameRecord &r, qint64) {
                        const QByteArray p = r.payload();
                        for (qsizetype at = 0; at + wanted.size() <= p.size(); ++at) {
                            bool all = true;
                            for (qsizetype k = 0; k < wanted.size() && all; ++k)
                                all = any[k] || p[at + k] == wanted[k];
                            if (all)
                                return true;
                        }
                        return false;
                    }};
        }
        }
    }

    QRandomGenerator m_random;
    const std::vector<FrameRecord> &m_records;
};

} // namespace

/// The filter language: what its expressions match, where its errors point, and the filter and
/// search over a capture against a plain evaluation of every frame's record.
class TestFrameFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void matches_data();
    void matches();
    void requiredPayloadByte_data();
    void requiredPayloadByte();
    void errors_data();
    void errors();
    void nesting_data();
    void nesting();
    void fieldsOutsideDigRf3G();
    void randomExpressionsAgreeWithRecords();
    void searchFindsTheNearestShownMatch();
    void missingFramesHaveNoTimeOrPayload();
    void cancelStopsTheFilter();
    void piecesAgreeWithOneThread_data();
    void piecesAgreeWithOneThread();

private:
    std::unique_ptr<Capture> known;
    std::unique_ptr<Capture> random;
    std::vector<FrameRecord> randomRecords;
};

void TestFrameFilter::initTestCase()
{
    known = CaptureFixture::load3G(knownFrames());
    QVERIFY(known && known->frameCount() == 5);
    // More frames than one chunk of the index and one stretch of the search.
    random = CaptureFixture::load(CaptureBuilder::randomCapture(70000, 12));
    QVERIFY(random && random->frameCount() == 70000);
    for (qint64 n = 0; n < random->frameCount(); ++n)
        randomRecords.push_back(random->frame(n));
}

void TestFrameFilter::matches_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("frames");

    QTest::newRow("channel name") << "channel == \"RF IC Control\"" << QList<qint64>{0, 4};
    QTest::newRow("channel name in any case") << "channel == \"rf ic control\"" << QList<qint64>{0, 4};
    QTest::newRow("name of several channels") << "channel == \"Reserved for future use\"" << QList<qint64>{3};
    QTest::newRow("not that name") << "channel != \"Reserved for future use\"" << QList<qint64>{0, 1, 2, 4};
    QTest::newRow("channel set") << "channel in {0, \"Data Channel A\"}" << QList<qint64>{1, 2};
    QTest::newRow("hex number") << "channel == 0x2 and cts == 0" << QList<qint64>{0};
    QTest::newRow("size") << "size == 32" << QList<qint64>{0, 3};
    QTest::newRow("size above") << "size > 32" << QList<qint64>{2, 4};
    QTest::newRow("code") << "code == 0" << QList<qint64>{1};
    QTest::newRow("cts") << "cts == 1" << QList<qint64>{1, 3, 4};
    QTest::newRow("frame range") << "frame >= 2 and frame < 4" << QList<qint64>{2, 3};
    QTest::newRow("frame set with blanks") << "frame in {0 4 9}" << QList<qint64>{0, 4};
    QTest::newRow("time in us") << "time == 1us" << QList<qint64>{1};
    QTest::newRow("time below") << "time < 1000" << QList<qint64>{0};
    QTest::newRow("time in ms") << "time >= 1ms" << QList<qint64>{3, 4};
    QTest::newRow("time with a fraction") << "time == 1.002ms" << QList<qint64>{3};
    QTest::newRow("unit as a word") << "time > 1002000 ns" << QList<qint64>{4};
    QTest::newRow("seconds") << "time < 0.001002s" << QList<qint64>{0, 1, 2};
    QTest::newRow("time in hex ns") << "time > 0x3E8 and time < 0xF4A10" << QList<qint64>{2};
    QTest::newRow("pattern") << "payload contains 7e ?? 01" << QList<qint64>{0, 4};
    QTest::newRow("pattern without blanks") << "payload contains 7E??01" << QList<qint64>{0, 4};
    QTest::newRow("pattern at the end") << "payload contains 08 7e" << QList<qint64>{4};
    QTest::newRow("text") << "payload contains \"AT+\"" << QList<qint64>{2};
    QTest::newRow("one byte") << "payload contains 41" << QList<qint64>{1, 2};
    QTest::newRow("pattern then more") << "payload contains 41 and cts == 0" << QList<qint64>{2};
    // Frame 1's word holds its one payload byte and three bytes of no payload.
    QTest::newRow("byte beside a one-byte payload") << "payload contains 00" << QList<qint64>{3, 4};
    QTest::newRow("byte of no frame") << "payload contains ee and cts == 1" << QList<qint64>{};
    QTest::newRow("pattern in brackets") << "(payload contains 55)||frame==3" << QList<qint64>{0, 3, 4};
    QTest::newRow("not") << "not cts == 1" << QList<qint64>{0, 2};
    QTest::newRow("not brackets") << "not (cts == 1 or channel == 2)" << QList<qint64>{2};
    QTest::newRow("and before or") << "cts == 1 or channel == 2 and size == 32" << QList<qint64>{0, 1, 3, 4};
    QTest::newRow("brackets first") << "(cts == 1 or channel == 2) and size == 32" << QList<qint64>{0, 3};
    QTest::newRow("words in any case") << "CTS == 1 AND Frame > 3" << QList<qint64>{4};
    QTest::newRow("symbols") << "!(cts == 1) && frame != 0 || frame == 4" << QList<qint64>{2, 4};
    QTest::newRow("nothing") << "frame > 100" << QList<qint64>{};
}

void TestFrameFilter::matches()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, frames);
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    QVERIFY2(!error.isError(), qPrintable(error.message()));
    const std::vector<qint64> found = matchingFrames(*known, expression);
    QCOMPARE(QList<qint64>(found.begin(), found.end()), frames);
    // One frame at a time, from its record, as drfdump judges frames.
    for (qint64 n = 0; n < known->frameCount(); ++n)
        QCOMPARE(expression.matches(FrameFacts::fromRecord(known->frame(n), n)), frames.contains(n));
}

void TestFrameFilter::requiredPayloadByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("byte");
    QTest::newRow("pattern") << "payload contains 7e 55" << 0x7e;
    QTest::newRow("after a wildcard") << "payload contains ?? 55" << 0x55;
    QTest::newRow("part of an and") << "cts == 1 and (frame > 2 and payload contains 41)" << 0x41;
    QTest::newRow("part of an or") << "cts == 1 or payload contains 41" << -1;
    QTest::newRow("negated") << "not payload contains 41" << -1;
    QTest::newRow("text") << "payload contains \"AT\"" << 0x41;
    QTest::newRow("no payload") << "cts == 1" << -1;
}

void TestFrameFilter::requiredPayloadByte()
{
    QFETCH(QString, text);
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    QVERIFY2(!error.isError(), qPrintable(error.message()));
    QTEST(expression.requiredPayloadByte(), "byte");
}

void TestFrameFilter::errors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("found");

    QTest::newRow("empty") << "" << 0 << "a field" << "";
    QTest::newRow("unknown field") << "chanel == 1" << 0 << "a field" << "chanel";
    QTest::newRow("single =") << "channel = 1" << 8 << "an operator" << "=";
    QTest::newRow("no value") << "channel == " << 11 << "a channel name" << "";
    QTest::newRow("channel 16") << "channel == 16" << 11 << "a channel number from 0 to 15" << "16";
    QTest::newRow("unknown name") << "cts == 0 and channel == \"RF Control\"" << 24
                                  << "unknown channel name \"RF Control\"; the names are \"" << "\"RF Control\"";
    QTest::newRow("name of several in order") << "channel < \"Reserved for future use\"" << 10
                                              << "one channel number" << "\"Reserved for future use\"";
    QTest::newRow("size not a size") << "size == 33" << 8 << "8, 32, 64" << "33";
    QTest::newRow("cts 2") << "cts == 2" << 7 << "0 or 1" << "2";
    QTest::newRow("part of a ns") << "time > 1.5ns" << 7 << "whole number of nanoseconds" << "1.5ns";
    QTest::newRow("unknown unit") << "time > 5 parsec" << 9 << "unknown time unit 'parsec' (ns, us, ms, s)" << "parsec";
    QTest::newRow("misspelt unit") << "time >= 1 sec" << 10 << "unknown time unit 'sec' (ns, us, ms, s)" << "sec";
    QTest::newRow("unit joined") << "time > 5m" << 8 << "unknown time unit 'm'" << "m";
    QTest::newRow("bad time") << "time > 5.m" << 7 << "a time such as" << "5.m";
    QTest::newRow("too large") << "frame == 99999999999999999999" << 9 << "a frame number" << "99999999999999999999";
    QTest::newRow("minus") << "frame > -1" << 8 << "a frame number" << "-";
    QTest::newRow("dangling and") << "frame < 10 and" << 14 << "a field" << "";
    QTest::newRow("open bracket") << "(cts == 1" << 9 << "')'" << "";
    QTest::newRow("extra bracket") << "cts == 1)" << 8 << "the end of the filter" << ")";
    QTest::newRow("odd hex digits") << "payload contains 7e 0" << 20 << "two hex digits" << "0";
    QTest::newRow("half wildcard") << "payload contains 7e?1" << 19 << "two hex digits" << "?1";
    QTest::newRow("no pattern") << "payload contains" << 16 << "hex bytes" << "";
    QTest::newRow("not a pattern") << "payload contains xyz" << 17 << "hex bytes" << "xyz";
    QTest::newRow("empty text") << "payload contains \"\"" << 17 << "at least one character" << "\"\"";
    QTest::newRow("open text") << "payload contains \"abc" << 21 << "a closing" << "";
    QTest::newRow("payload compared") << "payload == 7e" << 8 << "'contains'" << "==";
    QTest::newRow("contains on a field") << "channel contains 2" << 8 << "an operator" << "contains";
    QTest::newRow("set without brace") << "channel in 1" << 11 << "'{'" << "1";
    QTest::newRow("open set") << "channel in {1, 2" << 16 << "a channel name" << "";
    QTest::newRow("empty set") << "frame in {}" << 10 << "a frame number" << "}";
    QTest::newRow("lone not") << "not" << 3 << "a field" << "";
    QTest::newRow("stray character") << "cts == 1 $" << 9 << "the end of the filter" << "$";
}

void TestFrameFilter::errors()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(QString, expected);
    QFETCH(QString, found);
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    QVERIFY(error.isError());
    QCOMPARE(error.position, position);
    QVERIFY2(error.message().contains(expected), qPrintable(error.message()));
    QCOMPARE(error.found, found);
    QVERIFY(error.message().startsWith(QStringLiteral("Column %1: ").arg(position + 1)));
    QVERIFY(expression.matchesEverything());
}

void TestFrameFilter::nesting_data()
{
    const auto times = [](const char *text, int count) { return QString(QLatin1String(text)).repeated(count); };
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::newRow("256 brackets") << times("(", 256) + "frame == 1" + times(")", 256) << -1;
    QTest::newRow("128 brackets and 128 nots") << times("(not ", 128) + "frame == 1" + times(")", 128) << -1;
    QTest::newRow("257 brackets") << times("(", 257) + "frame == 1" + times(")", 257) << 256;
    QTest::newRow("10,000 brackets") << times("(", 10000) + "frame == 1" + times(")", 10000) << 256;
    QTest::newRow("60,000 !") << times("!", 60000) + "frame == 1" << 256;
    QTest::newRow("nots and brackets") << times("not (", 200) << 640;
}

void TestFrameFilter::nesting()
{
    // Each bracket and each negation is a level; past 256 the filter is refused before any
    // stack runs out, in the parser and in the evaluation.
    QFETCH(QString, text);
    QFETCH(int, position);
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    if (position < 0) {
        QVERIFY2(!error.isError(), qPrintable(error.message()));
        QCOMPARE(matchingFrames(*known, expression), (std::vector<qint64>{1}));
        return;
    }
    QCOMPARE(error.message(),
             QStringLiteral("Column %1: the expression is nested too deeply.").arg(position + 1));
    QVERIFY(expression.matchesEverything());
}

void TestFrameFilter::fieldsOutsideDigRf3G()
{
    FilterError error;
    const FilterExpression fine = FilterExpression::parse("frame > 1 and time < 5ms", &error);
    QVERIFY(!fine.checkFor(1).isError());
    const FilterExpression undecoded =
        FilterExpression::parse("time < 5ms or (frame > 2 and cts == 1) or channel == 2", &error);
    const FilterError outside = undecoded.checkFor(1);
    QVERIFY(outside.isError());
    QCOMPARE(outside.position, 29);
    QCOMPARE(outside.found, QStringLiteral("cts"));
    QVERIFY(!undecoded.checkFor(0).isError());

    // Frame and time work on DigRF v4 frames as on any others.
    const auto capture = CaptureFixture::loadV4({0, 10, 20, 30});
    const FilterExpression later = FilterExpression::parse("time > 32ns and frame != 3", &error);
    QCOMPARE(matchingFrames(*capture, later), (std::vector<qint64>{2}));
}

void TestFrameFilter::randomExpressionsAgreeWithRecords()
{
    ExpressionMaker maker(7, randomRecords);
    for (int i = 0; i < 60; ++i) {
        const Generated generated = maker.make(3);
        FilterError error;
        const FilterExpression expression = FilterExpression::parse(generated.text, &error);
        QVERIFY2(!error.isError(), qPrintable(generated.text + QLatin1String(": ") + error.message()));
        const std::shared_ptr<FrameBitmap> bits = FrameFilter(*random, expression).matchingFrames();
        QVERIFY(bits);
        qint64 count = 0;
        for (qint64 n = 0; n < random->frameCount(); ++n) {
            const bool expected = generated.matches(randomRecords[std::size_t(n)], n);
            count += expected ? 1 : 0;
            if (bits->test(n) != expected)
                QFAIL(qPrintable(QStringLiteral("%1: frame %2").arg(generated.text).arg(n)));
        }
        QCOMPARE(bits->count(), count);
    }
}

void TestFrameFilter::searchFindsTheNearestShownMatch()
{
    ExpressionMaker maker(21, randomRecords);
    QRandomGenerator pick(5);
    const qint64 total = random->frameCount();
    for (int i = 0; i < 30; ++i) {
        const Generated wanted = maker.make(1);
        const Generated shownBy = maker.make(1);
        FilterError error;
        const FilterExpression expression = FilterExpression::parse(wanted.text, &error);
        const FilterExpression display = FilterExpression::parse(shownBy.text, &error);
        const FrameRows shown = i % 3 == 0 ? FrameRows(total)
                                           : FrameRows(FrameFilter(*random, display).matchingFrames());
        const auto hit = [&](qint64 n) {
            return shown.isShown(n) && wanted.matches(randomRecords[std::size_t(n)], n);
        };
        const qint64 from = i % 5 == 0 ? -1 : pick.bounded(total);
        for (const auto direction : {FrameSearch::Direction::Forward, FrameSearch::Direction::Backward}) {
            const bool forward = direction == FrameSearch::Direction::Forward;
            // Plain walk: every frame after (before) `from`, then round from the other end.
            qint64 expected = -1;
            bool wrapped = false;
            for (qint64 step = 1; step <= total && expected < 0; ++step) {
                const qint64 start = from < 0 ? (forward ? -1 : total) : from;
                const qint64 raw = forward ? start + step : start - step;
                const qint64 n = (raw % total + total) % total;
                if (hit(n)) {
                    expected = n;
                    wrapped = from >= 0 && (forward ? n <= from : n >= from);
                }
            }
            const FrameSearch::Result result =
                FrameSearch::find(*random, expression, shown, from, direction);
            QVERIFY2(result.frame == expected && result.wrapped == wrapped,
                     qPrintable(QStringLiteral("%1 shown by %2 from %3 %4: %5 (wrapped %6), expected %7")
                                    .arg(wanted.text, shownBy.text)
                                    .arg(from)
                                    .arg(forward ? "forward" : "backward")
                                    .arg(result.frame)
                                    .arg(result.wrapped)
                                    .arg(expected)));
        }
    }
}

void TestFrameFilter::missingFramesHaveNoTimeOrPayload()
{
    // Frames cut from the file after the load have no time and no payload: they match only
    // where the index decides, and the filter and search count the frames they could not judge.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.drf3"));
    const auto loaded = CaptureFixture::loadFile(path, 200, 31);
    const Capture &capture = *loaded;
    QVERIFY(QFile::resize(path, qint64(capture.index().checkpoint(128).offset)));
    const qint64 count = capture.frameCount();
    FilterError error;
    for (const char *text : {"time < 1ms", "not payload contains 00", "cts == 1 or time > 0x0",
                             "channel == 3"}) {
        // Frame 10 matches too, so that a search from frame 150 always ends.
        const FilterExpression expression = FilterExpression::parse(
            QStringLiteral("frame == 10 or (%1)").arg(QLatin1String(text)), &error);
        std::vector<qint64> expected;
        std::vector<bool> unjudged;
        for (qint64 n = 0; n < count; ++n) {
            const FrameRecord record = capture.frame(n);
            const auto truth = expression.decide(capture.index().header(n), n);
            QCOMPARE(record.isMissing(), n >= 128);
            if (n < 128 ? expression.matches(FrameFacts::fromRecord(record, n))
                        : truth == FilterExpression::Truth::True)
                expected.push_back(n);
            unjudged.push_back(n >= 128 && truth == FilterExpression::Truth::Unknown);
        }
        QCOMPARE(matchingFrames(capture, expression), expected);
        qint64 missing = 0;
        QVERIFY(FrameFilter(capture, expression).matchingFrames(WorkProgress(), &missing));
        QCOMPARE(missing, qint64(std::count(unjudged.begin(), unjudged.end(), true)));

        // Forward from frame 150, round to the start: the frames passed over before the match.
        qint64 frame = -1;
        qint64 passed = 0;
        for (qint64 k = 1; k <= count && frame < 0; ++k) {
            const qint64 n = (150 + k) % count;
            if (std::binary_search(expected.begin(), expected.end(), n))
                frame = n;
            else
                passed += unjudged[std::size_t(n)] ? 1 : 0;
        }
        const FrameSearch::Result found = FrameSearch::find(
            capture, expression, FrameRows(count), 150, FrameSearch::Direction::Forward);
        QCOMPARE(found.frame, frame);
        QCOMPARE(found.missing, passed);
    }
    QCOMPARE(FrameFilter::missingNote(499805),
             QStringLiteral("499,805 frames are no longer in the file and were not searched."));
    QCOMPARE(FrameFilter::missingNote(1),
             QStringLiteral("1 frame is no longer in the file and was not searched."));
}

void TestFrameFilter::cancelStopsTheFilter()
{
    FilterError error;
    for (const char *text : {"cts == 1", "payload contains 00"}) {
        const FilterExpression expression = FilterExpression::parse(QLatin1String(text), &error);
        qint64 calls = 0;
        const auto stop = [&calls](qint64 done, qint64 total) {
            ++calls;
            return done < total / 2;
        };
        QVERIFY(!FrameFilter(*random, expression).matchingFrames(stop));
        QVERIFY(calls > 0);
        // Split over threads, a stop asked for while other threads end the pieces counts.
        FrameFilter split(*random, expression);
        ParallelPass pass(4);
        pass.setPieceFrames(1024);
        split.setPass(pass);
        QVERIFY(!split.matchingFrames(stop));
        const FrameSearch::Result result = FrameSearch::find(
            *random, FilterExpression::parse("frame == 69999", &error), FrameRows(random->frameCount()),
            0, FrameSearch::Direction::Forward, stop);
        QVERIFY(result.cancelled);
        QCOMPARE(result.frame, qint64(-1));
    }
}

void TestFrameFilter::piecesAgreeWithOneThread_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<qint64>("cutAt");
    QTest::addColumn<int>("threads");
    QTest::addColumn<qint64>("pieceFrames");

    QTest::newRow("one piece a checkpoint") << 3000 << 3u << qint64(-1) << 4 << qint64(64);
    QTest::newRow("uneven end") << 5001 << 4u << qint64(-1) << 2 << qint64(192);
    QTest::newRow("cut file") << 6000 << 6u << qint64(2048) << 3 << qint64(256);
    QTest::newRow("cut in a piece") << 6000 << 7u << qint64(4160) << 4 << qint64(1024);
}

void TestFrameFilter::piecesAgreeWithOneThread()
{
    QFETCH(int, frames);
    QFETCH(quint32, seed);
    QFETCH(qint64, cutAt);
    QFETCH(int, threads);
    QFETCH(qint64, pieceFrames);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("random.drf3"));
    const auto capture = CaptureFixture::loadFile(path, frames, seed);
    QVERIFY(capture && capture->frameCount() == frames);
    std::vector<FrameRecord> records;
    for (qint64 n = 0; n < frames; ++n)
        records.push_back(capture->frame(n));
    if (cutAt >= 0)
        QVERIFY(QFile::resize(path, qint64(capture->index().checkpoint(cutAt).offset)));

    QThreadPool pool;
    pool.setMaxThreadCount(threads);
    ParallelPass pass(threads, &pool);
    pass.setPieceFrames(pieceFrames);
    ExpressionMaker maker(seed, records);
    QStringList texts = {QStringLiteral("payload contains 7e"), QStringLiteral("channel == 2"),
                         QStringLiteral("time > 1ms or frame < 100")};
    for (int i = 0; i < 20; ++i)
        texts.append(maker.make(2).text);
    // A whole capture, and a range that starts past the first word and ends inside a piece.
    for (const auto &[first, end] : {std::pair<qint64, qint64>(0, frames),
                                     std::pair<qint64, qint64>(128, frames - 37)}) {
        const std::size_t words = std::size_t((end - first + 63) / 64);
        for (const QString &text : texts) {
            FilterError error;
            const FilterExpression expression = FilterExpression::parse(text, &error);
            QVERIFY2(!error.isError(), qPrintable(text));
            const auto evaluate = [&](const ParallelPass &with, std::vector<quint64> &bits,
                                      std::vector<quint64> &missingBits, qint64 &missing) {
                FrameFilter filter(*capture, expression);
                filter.setPass(with);
                bits.assign(words, 0);
                missingBits.assign(words, 0);
                return filter.evaluate(first, end, bits.data(), WorkProgress(), &missing,
                                       missingBits.data());
            };
            std::vector<quint64> expected, expectedMissing, bits, missingBits;
            qint64 expectedCount = 0, missing = 0;
            QVERIFY(evaluate(ParallelPass(1), expected, expectedMissing, expectedCount));
            QVERIFY(evaluate(pass, bits, missingBits, missing));
            QVERIFY2(bits == expected, qPrintable(text));
            QVERIFY2(missingBits == expectedMissing, qPrintable(text));
            QCOMPARE(missing, expectedCount);
            if (cutAt >= 0 && text == texts.first())
                QVERIFY2(std::count(missingBits.begin(), missingBits.end(), 0) < qsizetype(words),
                         qPrintable(text));
        }
    }
}

QTEST_GUILESS_MAIN(TestFrameFilter)
#include "tst_framefilter.moc"
