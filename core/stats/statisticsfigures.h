// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_STATS_STATISTICSFIGURES_H
#define CORE_STATS_STATISTICSFIGURES_H

#include "core/stats/fieldstatistics.h"
#include "core/stats/statisticscollector.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace Korvex {

class FieldDefinitions;
class StatisticsReport;

/// What the statistics window and drfdump --stats gather from frames taken in file order:
/// the capture's statistics and, with field definitions, the figures of the fields. Gathered
/// in runs, the figures merge as their collectors do.
class StatisticsFigures
{
public:
    /// Outside DigRF 3G no payload is decoded, so no frame is a message and no figures of
    /// fields are gathered.
    StatisticsFigures(int protocolVersion, std::shared_ptr<const FieldDefinitions> definitions);

    /// Takes in one frame: `bytes` (header word first) is null for a frame no longer in the file.
    void add(qint64 frame, quint8 header, quint64 ticks, const char *bytes, qint64 length);
    void merge(const StatisticsFigures &later);

    const StatisticsCollector &collector() const { return m_collector; }
    /// The report of the figures, with the fields' tables when definitions were given.
    StatisticsReport report(const QString &fileName, const QString &scope) const;

private:
    StatisticsCollector m_collector;
    std::shared_ptr<const FieldDefinitions> m_definitions;
    std::optional<FieldStatistics> m_fields;
};

} // namespace Korvex

#endif // CORE_STATS_STATISTICSFIGURES_H
