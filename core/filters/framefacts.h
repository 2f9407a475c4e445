// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMEFACTS_H
#define CORE_FILTERS_FRAMEFACTS_H

#include <QtEndian>
#include <QtGlobal>

#include <array>

namespace Korvex {

class FrameRecord;

/// What a filter can ask of one frame: its header byte as the index holds it (CTS in bit 0,
/// channel type in bits 1-4, size code in bits 5-7; 0 outside DigRF 3G), its number, its time
/// in ticks since the first frame and its payload bytes, unless it is no longer in the file.
struct FrameFacts
{
    quint8 header = 0;
    qint64 number = 0;
    quint64 ticks = 0;
    int payloadLength = 0;
    /// The frame's bytes are gone from the file: it has no time and no payload.
    bool missing = false;
    /// The first payloadLength bytes hold the payload.
    std::array<uchar, 64> payload;

    /// From a frame's bytes in the capture (header word first); no bytes means a frame that is
    /// no longer in the file. The payload is left out unless asked for.
    static FrameFacts fromBytes(qint64 number, quint8 header, quint64 ticks, const char *bytes,
                                qint64 length, int protocolVersion, bool withPayload = true);
    /// From a decoded frame.
    static FrameFacts fromRecord(const FrameRecord &record, qint64 number);
};

// Inline: a filter that reads payloads calls it for every frame.
inline FrameFacts FrameFacts::fromBytes(qint64 number, quint8 header, quint64 ticks,
                                        const char *bytes, qint64 length, int protocolVersion,
                                        bool withPayload)
{
    static constexpr int PayloadBytes[8] = {1, 4, 8, 12, 16, 32, 64, 0};
    FrameFacts facts;
    facts.number = number;
    facts.header = protocolVersion == 0 ? header : 0;
    facts.missing = !bytes;
    if (!bytes)
        return facts;
    facts.ticks = ticks;
    if (protocolVersion != 0 || !withPayload)
        return facts;
    const auto *words = reinterpret_cast<const uchar *>(bytes) + 8;
    const qint64 wordBytes = qMax<qint64>(0, length - 8) / 4 * 4;
    const int size = PayloadBytes[header >> 5];
    if (size == 1) {
        // A one-byte payload is the last byte of its word.
        if (wordBytes >= 4) {
            facts.payload[0] = words[3];
            facts.payloadLength = 1;
        }
        return facts;
    }
    // Each word's bytes b0 b1 b2 b3 are the payload bytes b3 b2 b1 b0: the little-endian word
    // stored big-endian.
    facts.payloadLength = int(qMin<qint64>(size, wordBytes));
    for (int at = 0; at < facts.payloadLength; at += 4)
        qToBigEndian(qFromLittleEndian<quint32>(words + at), facts.payload.data() + at);
    return facts;
}

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEFACTS_H
