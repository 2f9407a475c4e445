// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capturefile.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"
#include "core/stats/fieldstatistics.h"
#include "core/stats/statisticscollector.h"
#include "core/stats/statisticsreport.h"

#include <QCoreApplication>

#include <optional>

namespace Korvex::Dump {

namespace {

/// Takes every frame into the statistics as the reader meets it.
class StatisticsSink final : public FrameReaderSink
{
public:
    StatisticsSink(int protocolVersion, const Definitions &definitions,
                   const FilterExpression *filter)
        : collector(protocolVersion)
        , m_protocolVersion(protocolVersion)
        , m_filter(filter)
    {
        // Outside DigRF 3G no payload is decoded, so no frame is a message.
        if (definitions && protocolVersion == 0)
            fields.emplace(definitions);
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        // The header word's low byte holds every field the statistics count.
        const quint8 header = quint8(frame.bytes[0]);
        const bool payloads = fields || (m_filter && m_filter->needsPayload());
        const FrameFacts facts = FrameFacts::fromBytes(frame.number, header, frame.ticks,
                                                       frame.bytes, frame.length,
                                                       m_protocolVersion, payloads);
        if (m_filter && !m_filter->matches(facts))
            return;
        collector.add(frame.number, header, false, frame.ticks);
        if (fields)
            fields->add(header, facts.payload.data(), facts.payloadLength);
    }

    StatisticsCollector collector;
    std::optional<FieldStatistics> fields;

private:
    int m_protocolVersion;
    const FilterExpression *m_filter;
};

/// Finds the time of one frame, then stops the read.
class FrameTimeSink final : public FrameReaderSink
{
public:
    explicit FrameTimeSink(qint64 wanted)
        : m_wanted(wanted)
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool proceed(qint64) override { return !ticks; }
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        frames = frame.number + 1;
        if (frame.number == m_wanted)
            ticks = frame.ticks;
    }

    std::optional<quint64> ticks;
    qint64 frames = 0;

private:
    qint64 m_wanted;
};

} // namespace

int printStats(const QString &fileName, const QString &format, const FilterExpression *filter,
               const Definitions &fields, FILE *out, FILE *err)
{
    const int protocolVersion = protocolVersionOf(fileName);
    StatisticsSink sink(protocolVersion, fields, filter);
    if (!streamFrames(fileName, sink, err))
        return Failed;
    // Filtered, the statistics are those of the frames the viewer would display.
    StatisticsReport report(sink.collector.result(), fileName,
                            filter ? QCoreApplication::translate("StatisticsWindow", "Displayed frames")
                                   : QCoreApplication::translate("StatisticsWindow", "All frames"));
    if (fields)
        report.addFields(sink.fields ? *sink.fields : FieldStatistics(fields));
    TextOutput output(out);
    if (format == QLatin1String("json"))
        output.bytes() += report.toJson();
    else if (format == QLatin1String("jsonl"))
        output.bytes() += report.toJsonLines();
    else
        output.text() += report.toTsv();
    return output.finish(err);
}

int frameTime(const QString &fileName, qint64 frame, quint64 &ticks, FILE *err)
{
    FrameTimeSink sink(frame);
    if (!streamFrames(fileName, sink, err))
        return Failed;
    if (!sink.ticks) {
        std::fprintf(err, "drfdump: frame %lld is not in the file, which holds %lld frames\n",
                     static_cast<long long>(frame), static_cast<long long>(sink.frames));
        return BadUsage;
    }
    ticks = *sink.ticks;
    return Success;
}

} // namespace Korvex::Dump
