// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/filters/framefacts.h"

#include "core/frames/framerecord.h"

#include <cstring>

namespace Korvex {

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
