// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/trafficgenerator.h"

#include "core/frames/framerecord.h"

#include <QIODevice>

#include <cstring>
#include <limits>

namespace Korvex {

namespace {

constexpr quint64 Never = std::numeric_limits<quint64>::max();

enum Channel : quint8 {
    InterfaceControl = 0,
    Strobe = 1,
    RfControl = 2,
    Reserved = 3,
    DataA = 4,
    DataB = 5,
    DataC = 6,
};

// Payload size codes: 8, 32, 96, 128 and 256 bits.
constexpr quint8 Bits8 = 0;
constexpr quint8 Bits32 = 1;
constexpr quint8 Bits96 = 3;
constexpr quint8 Bits128 = 4;
constexpr quint8 Bits256 = 5;

// The first strobe comes 10 us into the capture, after the interface has been set up.
constexpr quint64 FirstStrobe = 3120;

// The values a write may leave in the mode register.
constexpr std::array<quint16, 4> Modes = {0x0001, 0x0003, 0x0083, 0x00C3};

int payloadBytes(quint8 sizeCode)
{
    FrameHeader header;
    header.payloadSizeCode = sizeCode;
    return header.payloadSizeBits() / 8;
}

quint64 busyTicks(quint8 sizeCode)
{
    return quint64(TrafficGenerator::OverheadTicks + 8 * payloadBytes(sizeCode));
}

} // namespace

static_assert(FrameGenerator::captureSize(32) * TrafficGenerator::MaxFrames
                  <= std::numeric_limits<quint32>::max(),
              "the frame block of the largest capture must fit the 32-bit length of its tag");

TrafficGenerator::TrafficGenerator(quint32 seed)
    : m_state(seed)
    , m_strobeDue(FirstStrobe)
    , m_controlDue(Never)
    // The capture opens with the interface being set up.
    , m_interfaceLeft(3)
    , m_reservedDue(Never)
    , m_streams{{
          // Receive samples, most of the time; transmit samples, in stretches; the second
          // receiver, now and then.
          Stream{DataA, Bits256, 3120, 80, 3, 8, 1, 4},
          Stream{DataB, Bits128, 6240, 160, 2, 5, 2, 6},
          Stream{DataC, Bits96, 12480, 320, 1, 3, 4, 10},
      }}
{
    m_timer = quint32(random() & 0xFFFFF);
    for (Stream &stream : m_streams) {
        stream.on = stream.channel == DataA || chance(1, 2);
        stream.slotsLeft = stream.on ? between(stream.onLeast, stream.onMost)
                                     : between(stream.offLeast, stream.offMost);
        stream.due = FirstStrobe + busyTicks(Bits32) + quint64(between(0, int(stream.period)));
        stream.ctsLeft = between(10, 40);
    }
    m_registers = {quint16(random()), quint16(between(0, 60)), Modes[0],
                   quint16(between(0x0800, 0x0FFF))};
}

quint64 TrafficGenerator::random()
{
    // splitmix64: the same numbers on every platform and standard library.
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int TrafficGenerator::between(int least, int most)
{
    return least + int(random() % quint64(most - least + 1));
}

bool TrafficGenerator::chance(int in, int outOf)
{
    return random() % quint64(outOf) < quint64(in);
}

void TrafficGenerator::nextFrame(FrameRecord &record)
{
    for (;;) {
        // The source due first; the strobe wins a tie, the others in the order considered.
        Source source = Source::Strobe;
        quint64 due = m_strobeDue;
        Stream *stream = nullptr;
        const auto consider = [&](Source candidate, quint64 when, Stream *of = nullptr) {
            if (when < due) {
                source = candidate;
                due = when;
                stream = of;
            }
        };
        if (m_controlLeft > 0)
            consider(Source::Control, m_controlDue);
        if (m_interfaceLeft > 0)
            consider(Source::Interface, m_interfaceDue);
        consider(Source::Reserved, m_reservedDue);
        for (Stream &each : m_streams)
            consider(Source::Stream, each.due, &each);

        if (source == Source::Strobe) {
            // Frames before it have made way for it, so the strobe goes exactly on time.
            const quint64 start = m_strobeDue;
            send(record, start, Strobe, Bits32, 1);
            QByteArray payload = record.payload();
            record.setPayload(QByteArray());
            payload.resize(4);
            for (int i = 0; i < 4; ++i)
                payload[i] = char(m_timer >> (24 - 8 * i));
            record.setPayload(payload);
            m_timer += ChipsPerSlot;
            m_strobeDue += SlotTicks;
            startSlot(start);
            return;
        }
        if (stream && !stream->on) {
            // An idle channel in this slot: its turn passes.
            stream->due += stream->period;
            continue;
        }

        quint8 sizeCode = Bits32;
        if (source == Source::Interface)
            sizeCode = Bits8;
        else if (stream)
            sizeCode = stream->sizeCode;
        else if (source == Source::Reserved)
            sizeCode = chance(1, 2) ? Bits8 : Bits32;
        const quint64 start = qMax(due, m_busFree);
        if (start + busyTicks(sizeCode) > m_strobeDue) {
            // It would still be on the interface when the strobe is due: after the strobe.
            const quint64 later = m_strobeDue + busyTicks(Bits32);
            if (stream)
                stream->due = later;
            else if (source == Source::Control)
                m_controlDue = later;
            else if (source == Source::Interface)
                m_interfaceDue = later;
            else
                m_reservedDue = later;
            continue;
        }

        QByteArray payload = record.payload();
        record.setPayload(QByteArray());
        payload.resize(payloadBytes(sizeCode));
        switch (source) {
        case Source::Control:
            send(record, start, RfControl, sizeCode, 1);
            fillControl(payload);
            m_controlDue = start + quint64(between(60, 180));
            --m_controlLeft;
            break;
        case Source::Interface:
            send(record, start, InterfaceControl, sizeCode, 1);
            payload[0] = char(between(1, 0x3F));
            m_interfaceDue = start + quint64(between(40, 120));
            --m_interfaceLeft;
            break;
        case Source::Reserved: {
            const quint8 channel = chance(1, 2) ? quint8(Reserved) : quint8(between(12, 15));
            send(record, start, channel, sizeCode, 1);
            fillRandom(payload);
            m_reservedDue = Never;
            break;
        }
        case Source::Stream:
            send(record, start, stream->channel, sizeCode, stream->cts);
            fillRandom(payload);
            stream->due = start + stream->period
                          + quint64(between(0, 2 * int(stream->jitter))) - stream->jitter;
            // The receiving side holds the data back now and then, for a few frames.
            if (--stream->ctsLeft <= 0) {
                stream->cts ^= 1;
                stream->ctsLeft = stream->cts ? between(10, 40) : between(2, 6);
            }
            break;
        case Source::Strobe:
            break;
        }
        record.setPayload(payload);
        return;
    }
}

void TrafficGenerator::startSlot(quint64 slotStart)
{
    if (m_controlLeft == 0 && chance(3, 4)) {
        m_controlLeft = between(2, 6);
        m_controlDue = slotStart + quint64(between(300, 3000));
    }
    if (m_interfaceLeft == 0 && chance(1, 6)) {
        m_interfaceLeft = 1;
        m_interfaceDue = slotStart + quint64(between(5000, 190000));
    }
    if (m_reservedDue == Never && chance(1, 12))
        m_reservedDue = slotStart + quint64(between(5000, 190000));
    for (Stream &stream : m_streams) {
        if (--stream.slotsLeft > 0)
            continue;
        stream.on = !stream.on;
        stream.slotsLeft = stream.on ? between(stream.onLeast, stream.onMost)
                                     : between(stream.offLeast, stream.offMost);
    }
}

void TrafficGenerator::send(FrameRecord &record, quint64 start, quint8 channel, quint8 sizeCode,
                            quint8 cts)
{
    record.setTime(m_started ? start - m_lastStart : 0);
    record.setPayloadSizeCode(sizeCode);
    record.setChannelType(channel);
    record.setCtsBit(cts);
    m_started = true;
    m_lastStart = start;
    m_busFree = start + busyTicks(sizeCode);
}

void TrafficGenerator::fillControl(QByteArray &payload)
{
    // The gain is set most often.
    constexpr std::array<int, 5> Picks = {0, 1, 1, 2, 3};
    const int index = Picks[size_t(between(0, int(Picks.size()) - 1))];
    const bool write = chance(3, 4);
    if (write)
        m_registers[size_t(index)] = changedValue(index);
    const quint16 value = m_registers[size_t(index)];
    const quint8 reg = Registers[size_t(index)];
    payload[0] = char(write ? 0x10 : 0x00);
    payload[1] = char(reg);
    const bool littleEndian = reg == GainRegister;
    payload[2] = char(littleEndian ? value & 0xFF : value >> 8);
    payload[3] = char(littleEndian ? value >> 8 : value & 0xFF);
}

quint16 TrafficGenerator::changedValue(int index)
{
    const quint16 old = m_registers[size_t(index)];
    switch (Registers[size_t(index)]) {
    case 0x10: // the channel: changes seldom
        return chance(1, 10) ? quint16(random()) : old;
    case GainRegister: // a few steps up or down
        return quint16(qBound(GainLowest, int(qint16(old)) + between(-8, 8), GainHighest));
    case 0x31: // the mode
        return Modes[size_t(between(0, int(Modes.size()) - 1))];
    default: // a calibration value that drifts
        return quint16(qBound(0x0800, int(old) + between(-3, 3), 0x0FFF));
    }
}

void TrafficGenerator::fillRandom(QByteArray &payload)
{
    char *bytes = payload.data();
    for (qsizetype at = 0; at < payload.size(); at += 8) {
        const quint64 value = random();
        std::memcpy(bytes + at, &value, size_t(qMin<qsizetype>(8, payload.size() - at)));
    }
}

qint64 TrafficGenerator::blockLength(quint32 seed, qint64 frameCount)
{
    TrafficGenerator generator(seed);
    FrameRecord record;
    qint64 length = 0;
    for (qint64 i = 0; i < frameCount; ++i) {
        generator.nextFrame(record);
        length += FrameGenerator::captureSize(int(record.payload().size()));
    }
    return length;
}

bool TrafficGenerator::writeCapture(QIODevice &device, quint32 seed, qint64 frameCount,
                                    const QDateTime &date)
{
    if (frameCount < 1 || frameCount > MaxFrames)
        return false;
    // The tags carry the block length, so the frames are drawn twice: measured, then written.
    TrafficGenerator generator(seed);
    return FrameGenerator::writeFrames(
        device, frameCount, blockLength(seed, frameCount), date,
        [&generator](FrameRecord &record) { generator.nextFrame(record); });
}

bool TrafficGenerator::writeFile(const QString &fileName, quint32 seed, qint64 frameCount,
                                 const QDateTime &date, QString *errorText)
{
    return FrameGenerator::saveFile(
        fileName, frameCount,
        [&](QIODevice &device) { return writeCapture(device, seed, frameCount, date); },
        errorText);
}

} // namespace Korvex
