// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/trafficgenerator.h"
#include "capturefixture.h"

#include "core/files/framegenerator.h"
#include "core/frames/framerecord.h"

#include <QBuffer>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <map>

using namespace Korvex;

namespace {

const QDateTime FixedDate(QDate(2026, 12, 7), QTime(8, 9, 10));

QByteArray capture(quint32 seed, qint64 frameCount)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!TrafficGenerator::writeCapture(buffer, seed, frameCount, FixedDate))
        return QByteArray();
    return buffer.data();
}

/// What a loaded capture holds, per logical channel type.
struct Channels
{
    std::map<int, QList<FrameRecord>> frames;
    qint64 total = 0;
    /// Frames whose start lies before the end of the frame before it on the interface.
    int overlaps = 0;
};

Channels channelsOf(const Capture &loaded)
{
    Channels channels;
    channels.total = loaded.frameCount();
    quint64 busyUntil = 0;
    for (qint64 n = 0; n < loaded.frameCount(); ++n) {
        const FrameRecord frame = loaded.frame(n);
        if (n > 0 && frame.time() < busyUntil)
            ++channels.overlaps;
        busyUntil = frame.time() + quint64(TrafficGenerator::OverheadTicks)
                    + quint64(frame.payloadSizeBits());
        channels.frames[frame.channelType()].append(frame);
    }
    return channels;
}

quint32 bigEndian(const QByteArray &bytes, int at, int length)
{
    quint32 value = 0;
    for (int i = 0; i < length; ++i)
        value = value << 8 | quint8(bytes.at(at + i));
    return value;
}

} // namespace

/// The realistic traffic generator: the same frames for a seed, a capture the reader takes
/// whole, and the patterns of a working interface in what it writes.
class TestTrafficGenerator : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedSameCapture();
    void shorterCaptureIsTheStartOfALonger();
    void readsBackWhole_data();
    void readsBackWhole();
    void patterns_data();
    void patterns();
};

void TestTrafficGenerator::sameSeedSameCapture()
{
    const QByteArray first = capture(2011, 3000);
    QVERIFY(!first.isEmpty());
    QCOMPARE(capture(2011, 3000), first);
    QVERIFY(capture(2012, 3000) != first);
}

void TestTrafficGenerator::shorterCaptureIsTheStartOfALonger()
{
    const QByteArray hundred = capture(7, 100);
    const QByteArray thousand = capture(7, 1000);
    const qint64 length = TrafficGenerator::blockLength(7, 100);
    QCOMPARE(thousand.mid(thousand.indexOf('#') + 1, length),
             hundred.mid(hundred.indexOf('#') + 1, length));
}

void TestTrafficGenerator::readsBackWhole_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("frameCount");
    QTest::newRow("one frame") << 1u << 1;
    QTest::newRow("the sample's") << 2011u << 3000;
    QTest::newRow("largest seed") << 0xFFFFFFFFu << 20000;
}

void TestTrafficGenerator::readsBackWhole()
{
    QFETCH(quint32, seed);
    QFETCH(int, frameCount);
    const QByteArray bytes = capture(seed, frameCount);
    const qint64 length = TrafficGenerator::blockLength(seed, frameCount);
    const QByteArray tags = FrameGenerator::tagText(FixedDate, frameCount, length);
    QCOMPARE(bytes.left(tags.size()), tags);
    QCOMPARE(qint64(bytes.size()), tags.size() + length + 1);

    const std::unique_ptr<Capture> loaded = CaptureFixture::load(bytes);
    QCOMPARE(loaded->status(), Capture::Status::Loaded);
    QCOMPARE(loaded->frameCount(), qint64(frameCount));
    QCOMPARE(loaded->frame(0).time(), quint64(0));
    // Each frame's time word is its distance to the one before.
    TrafficGenerator generator(seed);
    FrameRecord drawn;
    quint64 ticks = 0;
    for (qint64 n = 0; n < loaded->frameCount(); ++n) {
        generator.nextFrame(drawn);
        ticks += drawn.time();
        const FrameRecord read = loaded->frame(n);
        QCOMPARE(read.time(), ticks);
        QCOMPARE(read.payload(), drawn.payload());
        QCOMPARE(read.headerText(), drawn.headerText());
    }
}

void TestTrafficGenerator::patterns_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 0") << 0u;
    QTest::newRow("seed 2011") << 2011u;
    QTest::newRow("seed 424242") << 424242u;
}

void TestTrafficGenerator::patterns()
{
    QFETCH(quint32, seed);
    const std::unique_ptr<Capture> loaded = CaptureFixture::load(capture(seed, 20000));
    QCOMPARE(loaded->frameCount(), qint64(20000));
    const Channels channels = channelsOf(*loaded);
    // One frame at a time on the interface.
    QCOMPARE(channels.overlaps, 0);

    // A strobe every slot, on the tick, carrying a timer that counts the slot's chips.
    const QList<FrameRecord> &strobes = channels.frames.at(1);
    QVERIFY(strobes.size() > 100);
    for (qsizetype i = 1; i < strobes.size(); ++i) {
        const FrameRecord &before = strobes.at(i - 1);
        QCOMPARE(strobes.at(i).time() - before.time(), quint64(TrafficGenerator::SlotTicks));
        QCOMPARE(strobes.at(i).payloadSizeBits(), 32);
        QCOMPARE(bigEndian(strobes.at(i).payload(), 0, 4) - bigEndian(before.payload(), 0, 4),
                 TrafficGenerator::ChipsPerSlot);
    }
    // Some dozens of frames to a slot, as the data channels stream.
    QVERIFY(strobes.size() < 1000);

    // RF IC Control: Read or Write of one of the four registers, the gain little-endian.
    const QList<FrameRecord> &controls = channels.frames.at(2);
    QVERIFY(controls.size() > strobes.size());
    QSet<int> operations;
    QSet<int> registers;
    for (const FrameRecord &frame : controls) {
        const QByteArray payload = frame.payload();
        QCOMPARE(payload.size(), 4);
        QVERIFY2(payload.at(0) == 0x00 || payload.at(0) == 0x10, payload.toHex().constData());
        const auto reg = quint8(payload.at(1));
        const auto &known = TrafficGenerator::Registers;
        QVERIFY(std::find(known.begin(), known.end(), reg) != known.end());
        operations.insert(payload.at(0));
        registers.insert(reg);
        if (reg == TrafficGenerator::GainRegister) {
            const auto gain = qint16(quint16(quint8(payload.at(2)) | quint8(payload.at(3)) << 8));
            QVERIFY2(gain >= TrafficGenerator::GainLowest && gain <= TrafficGenerator::GainHighest,
                     qPrintable(QString::number(gain)));
        } else if (reg == 0x44) {
            const quint32 calibration = bigEndian(payload, 2, 2);
            QVERIFY(calibration >= 0x0800 && calibration <= 0x0FFF);
        }
    }
    QCOMPARE(operations.size(), 2);
    QCOMPARE(registers.size(), 4);

    // Data Channels A to C stream in their own payload sizes, and each one's CTS toggles in
    // short stretches of 0 among long stretches of 1.
    const std::map<int, int> dataBits = {{4, 256}, {5, 128}, {6, 96}};
    for (const auto &[channel, bits] : dataBits) {
        const QList<FrameRecord> &data = channels.frames.at(channel);
        int toggles = 0;
        int cleared = 0;
        for (qsizetype i = 0; i < data.size(); ++i) {
            QCOMPARE(data.at(i).payloadSizeBits(), bits);
            cleared += data.at(i).ctsBit() == 0;
            toggles += i > 0 && data.at(i).ctsBit() != data.at(i - 1).ctsBit();
        }
        QVERIFY2(toggles >= 4, qPrintable(QString::number(channel)));
        QVERIFY(cleared > 0 && cleared < data.size() / 3);
    }
    // Data Channel A streams at a steady pace with some jitter while it is on: most of its
    // gaps are its period, give or take the jitter (10 us, 0.26 us).
    const QList<FrameRecord> &a = channels.frames.at(4);
    int steady = 0;
    for (qsizetype i = 1; i < a.size(); ++i) {
        const quint64 gap = a.at(i).time() - a.at(i - 1).time();
        steady += gap >= 3040 && gap <= 3200 + 300;
    }
    QVERIFY2(steady > a.size() * 3 / 4, qPrintable(QString::number(steady)));

    // Interface Control now and then, and a reserved type seldom.
    QVERIFY(channels.frames.count(0) == 1 && channels.frames.at(0).size() >= 3);
    int reserved = 0;
    for (const auto &[channel, frames] : channels.frames) {
        QVERIFY2(channel <= 6 || channel >= 12, qPrintable(QString::number(channel)));
        if (channel == 3 || channel >= 12)
            reserved += int(frames.size());
    }
    QVERIFY(reserved > 0);
    QVERIFY(reserved < channels.total / 100);
}

QTEST_MAIN(TestTrafficGenerator)
#include "tst_trafficgenerator.moc"
