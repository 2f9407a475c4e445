// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framesegment.h"
#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capturefile.h"
#include "core/filters/filterexpression.h"
#include "core/stats/statisticsfigures.h"
#include "core/stats/statisticsreport.h"

#include <QCoreApplication>

#include <optional>
#include <vector>

namespace Korvex::Dump {

namespace {

/// Takes the frames into the statistics a segment at a time (FrameSegment): the pieces of a
/// segment are judged by the filter and gathered side by side, then merged in order.
class StatisticsSink final : public FrameReaderSink
{
public:
    StatisticsSink(int protocolVersion, const Definitions &definitions,
                   const FilterExpression *filter)
        : figures(protocolVersion, definitions)
        , m_empty(figures)
        , m_segment(protocolVersion)
        , m_filter(filter)
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        if (m_segment.append(frame))
            finish();
    }

    /// Takes in the frames kept.
    void finish()
    {
        const bool payloads = m_filter && m_filter->needsPayload();
        std::vector<std::optional<StatisticsFigures>> parts(
            m_segment.pass().pieces(0, m_segment.count()).size());
        m_segment.pass().run(0, m_segment.count(),
                             [&](int at, qint64 from, qint64 to, const WorkProgress &) {
            StatisticsFigures part = m_empty;
            for (qint64 k = from; k < to; ++k) {
                if (m_filter && !m_filter->matches(m_segment.facts(k, payloads)))
                    continue;
                const ScannedFrame frame = m_segment.frame(k);
                part.add(frame.number, m_segment.header(k), frame.ticks, frame.bytes,
                         frame.length);
            }
            parts[std::size_t(at)] = std::move(part);
            return true;
        });
        for (const std::optional<StatisticsFigures> &part : parts)
            figures.merge(*part);
        m_segment.clear();
    }

    StatisticsFigures figures;

private:
    const StatisticsFigures m_empty;
    FrameSegment m_segment;
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
    sink.finish();
    // Filtered, the statistics are those of the frames the viewer would display.
    const StatisticsReport report = sink.figures.report(
        fileName, filter ? QCoreApplication::translate("StatisticsWindow", "Displayed frames")
                         : QCoreApplication::translate("StatisticsWindow", "All frames"));
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
