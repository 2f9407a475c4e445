// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framefacts.h"

#include "core/frames/framerecord.h"

#include <QtEndian>

#include <cstring>

namespace Korvex {

FrameFacts FrameFacts::fromBytes(qint64 number, quint8 header, quint64 ticks, const char *bytes,
                                 qint64 length, int protocolVersion, bool withPayload)
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

FrameFacts FrameFacts::fromRecord(const FrameRecord &record, qint64 number)
{
    FrameFacts facts;
    facts.number = number;
    facts.ticks = record.time();
    facts.missing = record.isMissing();
    if (record.protocolVersion() != 0)
        return facts;
    facts.header = quint8(record.payloadSizeCode() << 5 | (record.channelType() & 0x0F) << 1
                          | (record.ctsBit() & 1));
    const QByteArray payload = record.payload();
    facts.payloadLength = int(qMin<qsizetype>(payload.size(), 64));
    std::memcpy(facts.payload.data(), payload.constData(), std::size_t(facts.payloadLength));
    return facts;
}

} // namespace Korvex
