// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stats/statisticsfigures.h"

#include "core/filters/framefacts.h"
#include "core/stats/statisticsreport.h"

namespace Korvex {

StatisticsFigures::StatisticsFigures(int protocolVersion,
                                     std::shared_ptr<const FieldDefinitions> definitions)
    : m_collector(protocolVersion)
    , m_definitions(std::move(definitions))
{
    if (m_definitions && protocolVersion == 0)
        m_fields.emplace(m_definitions);
}

void StatisticsFigures::add(qint64 frame, quint8 header, quint64 ticks, const char *bytes,
                            qint64 length)
{
    m_collector.add(frame, header, bytes == nullptr, ticks);
    if (!m_fields || !bytes || !m_fields->mayBeMessage(header))
        return;
    const FrameFacts facts = FrameFacts::fromBytes(frame, header, ticks, bytes, length, 0);
    m_fields->add(header, facts.payload.data(), facts.payloadLength);
}

void StatisticsFigures::merge(const StatisticsFigures &later)
{
    m_collector.merge(later.m_collector);
    if (m_fields && later.m_fields)
        m_fields->merge(*later.m_fields);
}

StatisticsReport StatisticsFigures::report(const QString &fileName, const QString &scope) const
{
    StatisticsReport report(m_collector.result(), fileName, scope);
    if (m_fields)
        report.addFields(*m_fields);
    else if (m_definitions)
        report.addFields(FieldStatistics(m_definitions));
    return report;
}

} // namespace Korvex
