#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/files/capturefile.h"
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
    explicit StatisticsSink(int protocolVersion)
        : collector(protocolVersion)
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        // The header word's low byte holds every field the statistics count.
        collector.add(frame.number, quint8(frame.bytes[0]), false, frame.ticks);
    }

    StatisticsCollector collector;
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

int printStats(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    StatisticsSink sink(protocolVersionOf(fileName));
    if (!streamFrames(fileName, sink, err))
        return Failed;
    const StatisticsReport report(sink.collector.result(), fileName,
                                  QCoreApplication::translate("StatisticsWindow", "All frames"));
    TextOutput output(out);
    if (format == QLatin1String("json"))
        output.bytes() += report.toJson();
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
