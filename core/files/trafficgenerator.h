// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_TRAFFICGENERATOR_H
#define CORE_FILES_TRAFFICGENERATOR_H

#include "core/files/framegenerator.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <array>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Korvex {

class FrameRecord;

/// Simulates a DigRF 3G interface at work and writes what it carries as a capture: a Time
/// Accurate Strobe Message at the start of every slot, bursts of RF IC Control frames after
/// it, three data channels streaming in stretches of slots with their CTS bit toggling,
/// Interface Control frames now and then and an occasional frame of a reserved type. One
/// frame goes over the interface at a time, one bit per tick. The same seed gives the same
/// frames, and a shorter capture is the start of a longer one.
///
/// Payloads (bytes in the record's order): an RF IC Control frame holds the operation in the
/// high nibble of byte 0 (0 Read, 1 Write), the register in byte 1 and its 16-bit value in
/// bytes 2-3, big-endian, except the gain register, whose signed value in steps of 0.25 dB is
/// little-endian; a strobe holds a timer that counts chips (2560 a slot), big-endian.
class TrafficGenerator
{
public:
    /// One slot, 2/3 ms: the strobe's period in ticks of 1000/312 ns.
    static constexpr quint32 SlotTicks = 208000;
    /// The timer of the strobe advances by one slot's chips from one strobe to the next.
    static constexpr quint32 ChipsPerSlot = 2560;
    /// Ticks that a frame occupies the interface besides one per payload bit.
    static constexpr int OverheadTicks = 16;
    /// The registers the RF IC Control frames read and write.
    static constexpr std::array<quint8, 4> Registers = {0x10, 0x2A, 0x31, 0x44};
    static constexpr quint8 GainRegister = 0x2A;
    /// The gain's range, in steps of 0.25 dB (-10 dB to +30 dB).
    static constexpr int GainLowest = -40;
    static constexpr int GainHighest = 120;
    /// As many frames as the random generator writes at the most: the largest frame drawn
    /// takes 40 bytes in a capture, so that their block still fits the 32-bit length of its tag.
    static constexpr qint64 MaxFrames = FrameGenerator::MaxFrames;

    explicit TrafficGenerator(quint32 seed);

    /// Fills the record with the next frame on the interface; its time is the ticks since
    /// the frame before (0 for the first), as a capture stores it.
    void nextFrame(FrameRecord &record);

    /// The byte length of the frame block that frameCount frames from seed take.
    static qint64 blockLength(quint32 seed, qint64 frameCount);

    /// Writes the whole capture to the device, a slice at a time. False when the device
    /// refused a write or the count lies outside 1 to MaxFrames.
    static bool writeCapture(QIODevice &device, quint32 seed, qint64 frameCount,
                             const QDateTime &date);

    /// Writes the capture to a file that replaces an existing one only once it is complete.
    /// On failure the reason goes to errorText (if given) and the old file is untouched.
    static bool writeFile(const QString &fileName, quint32 seed, qint64 frameCount,
                          const QDateTime &date, QString *errorText = nullptr);

private:
    /// A data channel that streams in stretches of slots, at a steady pace with some jitter.
    struct Stream
    {
        quint8 channel;
        quint8 sizeCode;
        quint32 period;
        quint32 jitter;
        int onLeast, onMost, offLeast, offMost;
        quint64 due = 0;
        bool on = false;
        int slotsLeft = 0;
        quint8 cts = 1;
        int ctsLeft = 0;
    };

    enum class Source { Strobe, Control, Interface, Reserved, Stream };

    quint64 random();
    /// A whole number from least to most, both included.
    int between(int least, int most);
    /// True in `in` cases out of `outOf`.
    bool chance(int in, int outOf);

    /// Plans the slot that the strobe at slotStart just opened.
    void startSlot(quint64 slotStart);
    /// Starts the frame at the given tick: header, the time since the frame before, and the
    /// interface busy until it has gone.
    void send(FrameRecord &record, quint64 start, quint8 channel, quint8 sizeCode, quint8 cts);
    void fillControl(QByteArray &payload);
    void fillRandom(QByteArray &payload);
    /// The value a write leaves in register `index`.
    quint16 changedValue(int index);

    quint64 m_state;
    bool m_started = false;
    quint64 m_lastStart = 0;
    quint64 m_busFree = 0;

    quint64 m_strobeDue;
    quint32 m_timer;
    quint64 m_controlDue;
    int m_controlLeft = 0;
    quint64 m_interfaceDue = 0;
    int m_interfaceLeft;
    quint64 m_reservedDue;
    std::array<Stream, 3> m_streams;
    std::array<quint16, 4> m_registers;
};

} // namespace Korvex

#endif // CORE_FILES_TRAFFICGENERATOR_H
