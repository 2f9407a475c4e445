// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/text/timetrail.h"

#include "core/files/channellookback.h"

namespace Korvex {

TimeTrail::TimeTrail(TimeMode mode, int protocolVersion, quint64 referenceTicks)
    : m_mode(mode)
    , m_protocolVersion(protocolVersion)
    , m_referenceTicks(referenceTicks)
{
}

template<typename Text>
void TimeTrail::writeCell(Text &out, quint8 header, quint64 ticks)
{
    std::optional<quint64> &channel =
        m_channels[std::size_t(ChannelLookback::channelKey(header, m_protocolVersion))];
    switch (m_mode) {
    case TimeMode::SinceFirst:
        TimeText::appendSince(out, ticks, quint64(0));
        break;
    case TimeMode::DeltaPrevious:
    case TimeMode::DeltaDisplayed:
        // Every frame is displayed: no filter hides any.
        TimeText::appendSince(out, ticks, m_previous);
        break;
    case TimeMode::DeltaChannel:
        TimeText::appendSince(out, ticks, channel);
        break;
    case TimeMode::SinceReference:
        TimeText::appendSince(out, ticks, m_referenceTicks);
        break;
    }
    m_previous = ticks;
    channel = ticks;
}

void TimeTrail::appendCell(QString &out, quint8 header, quint64 ticks)
{
    writeCell(out, header, ticks);
}

void TimeTrail::appendCell(QByteArray &out, quint8 header, quint64 ticks)
{
    writeCell(out, header, ticks);
}

} // namespace Korvex
