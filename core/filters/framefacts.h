// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILTERS_FRAMEFACTS_H
#define CORE_FILTERS_FRAMEFACTS_H

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

} // namespace Korvex

#endif // CORE_FILTERS_FRAMEFACTS_H
