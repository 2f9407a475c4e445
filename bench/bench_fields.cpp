// SPDX-License-Identifier: GPL-3.0-or-later
// Times filters on decoded payload fields over large captures where one frame in ten is an RF IC
// Control frame of 32 bits, the message they decode, and prints the single-thread figures
// beside filters of the header alone and of a payload pattern. Also the statistics of the
// fields, the pass and the line of the Field over Time chart, and the table with field columns
// as drfdump writes it, per million frames.
//
//   bench_fields [FRAMES...]     1,000,000 and 10,000,000 frames unless counts are given
//
// Captures come from BENCH_DIR (kept there) or a temporary folder.

#include "benchsupport.h"
#include "capturefixture.h"

#include "core/fields/fieldcolumns.h"
#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/files/framecursor.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framefacts.h"
#include "core/filters/framefilter.h"
#include "core/stats/capturepass.h"
#include "core/stats/fieldstatistics.h"
#include "core/stats/fieldtimeseries.h"
#include "core/text/frametablewriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

using namespace Korvex;

namespace {

// One message on every RF IC Control frame of 32 bits, the layout of the sample's gain writes.
const QByteArray OneMessage =
    "format = 1\n"
    "[[message]]\nname = \"RegWrite\"\nchannel = \"RF IC Control\"\npayload_bits = [32]\n"
    "[[message.field]]\nname = \"op\"\nstart = 0\nlength = 4\nvalues = { 0 = \"Read\", 1 = \"Write\" }\n"
    "[[message.field]]\nname = \"reg\"\nstart = 8\nlength = 8\nbase = 16\n"
    "[[message.field]]\nname = \"gain\"\nstart = 16\nlength = 16\nsigned = true\n"
    "byte_order = \"little\"\nscale = 0.25\nunit = \"dB\"\n";

void timeFilter(const Capture &capture, const std::shared_ptr<const FieldDefinitions> &definitions,
                const char *text)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(QLatin1String(text), &error,
                                                                definitions);
    if (error.isError()) {
        std::printf("  %s: %s\n", text, qPrintable(error.message()));
        return;
    }
    std::vector<double> wall;
    std::vector<double> cpu;
    qint64 matches = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuStart = cpuNs();
        matches = FrameFilter(capture, expression).matchingFrames()->count();
        cpu.push_back(ms(cpuNs() - cpuStart));
        wall.push_back(msSince(timer));
    }
    std::printf("  filter %-52s median %8.1f ms (cpu %8.1f ms)  %lld matches\n", text,
                median(wall), median(cpu), static_cast<long long>(matches));
}

// The field statistics over every frame, read as the statistics pass reads them.
void timeStatistics(const Capture &capture, const std::shared_ptr<const FieldDefinitions> &definitions)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = cpuNs();
    FieldStatistics statistics(definitions);
    FrameCursor cursor(capture, 0, capture.frameCount());
    while (cursor.next()) {
        // As the statistics window does: only a frame that may be a message has its payload
        // taken out.
        if (!statistics.mayBeMessage(cursor.header()))
            continue;
        const FrameFacts facts = FrameFacts::fromBytes(cursor.number(), cursor.header(), cursor.ticks(),
                                                       cursor.bytes(), cursor.length(), 0);
        statistics.add(facts.header, facts.payload.data(), facts.payloadLength);
    }
    std::printf("  field statistics over all frames %23s %8.1f ms (cpu %8.1f ms)  %lld messages\n",
                "", msSince(timer), ms(cpuNs() - cpuStart),
                static_cast<long long>(statistics.frames(0)));
}

// The viewer's Field over Time chart: its pass over every frame on every core, which takes the payload out of
// the frames that may be the message only, and the step line drawn from it.
void timeFieldChart(const Capture &capture,
                    const std::shared_ptr<const FieldDefinitions> &definitions)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = cpuNs();
    const FrameRows rows(capture.frameCount());
    const auto [first, last] = CapturePass::timeSpan(capture, rows);
    const quint64 duration = last - first;
    const FieldTimeSeries empty(definitions, 0, 2,
                                TimeBinning(first, duration, TimeBinning::automatic(duration, 1000)));
    const FieldTimeSeries series = *CapturePass(capture, rows).collect(
        empty, [&](FieldTimeSeries &part, const FrameCursor &cursor) {
            if (cursor.isMissing() || !definitions->mayBe(0, cursor.header()))
                return;
            const FrameFacts facts =
                FrameFacts::fromBytes(cursor.number(), cursor.header(), cursor.ticks(),
                                      cursor.bytes(), cursor.length(), 0);
            part.add(facts.number, facts.header, facts.payload.data(), facts.payloadLength,
                     FrameRecord::nsOfTicks(facts.ticks));
        });
    const double passMs = msSince(timer);
    const qsizetype points = series.stepLine(1e6).size();
    std::printf("  field over time pass %35s %8.1f ms (cpu %8.1f ms)  %lld frames, %lld points, "
                "%.1f ms with the line\n",
                "", passMs, ms(cpuNs() - cpuStart), static_cast<long long>(series.frames()),
                static_cast<long long>(points), msSince(timer));
}

// The first million frames' table rows with and without the field columns.
void timeTable(const Capture &capture, const std::shared_ptr<const FieldDefinitions> &definitions)
{
    const qint64 rows = qMin<qint64>(1000000, capture.frameCount());
    for (const bool fields : {false, true}) {
        FrameTableWriter writer(FrameTableWriter::Format::Tsv, 0);
        if (fields)
            writer.setFieldColumns(FieldColumns(definitions));
        QElapsedTimer timer;
        timer.start();
        QByteArray out;
        qint64 bytes = 0;
        FrameCursor cursor(capture, 0, rows);
        while (cursor.next()) {
            writer.row(out, cursor.number(), cursor.record());
            bytes += out.size();
            out.resize(0);
        }
        std::printf("  table of %lld rows %-38s %8.1f ms  (%lld bytes)\n",
                    static_cast<long long>(rows), fields ? "with field columns" : "without them",
                    msSince(timer), static_cast<long long>(bytes));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QList<qint64> counts = benchCounts(argc, argv, {1000000, 10000000});
    QTemporaryDir temporary;
    const QString folder = benchFolder(temporary.path());
    QStringList errors;
    const auto one = FieldDefinitions::parse(OneMessage, QStringLiteral("bench"), &errors);
    const auto sample = FieldDefinitions::read(
        QStringLiteral(FRAMESCOPE_SOURCE_DIR "/samples/sample.drf3.fields.toml"), &errors);
    if (!one || !sample) {
        std::printf("%s\n", qPrintable(errors.join(QLatin1Char('\n'))));
        return 1;
    }
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench-fields%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count, 42, 10))
            return 1;
        Capture capture(path);
        CaptureFixture::QuietSink sink;
        capture.load(sink);
        std::printf("%lld frames, one in ten an RF IC Control frame of 32 bits\n",
                    static_cast<long long>(capture.frameCount()));
        printMachineLoad();
        timeFilter(capture, one, "channel == \"RF IC Control\" and cts == 0");
        timeFilter(capture, one, "payload contains 7e ?? 01");
        timeFilter(capture, one, "message == \"RegWrite\"");
        timeFilter(capture, one, "RegWrite.gain >= -3.5");
        timeFilter(capture, one, "RegWrite.op == \"Write\" and RegWrite.reg == 0x2A");
        std::printf(" with the sample's definitions (first match of three conditions):\n");
        timeFilter(capture, sample, "GainWrite.gain >= -3.5");
        timeFilter(capture, sample, "message != \"RegRead\"");
        timeStatistics(capture, sample);
        timeFieldChart(capture, one);
        timeTable(capture, sample);
        printMachineLoad();
    }
    return 0;
}
