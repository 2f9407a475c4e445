// Times the display filter, Find and export over large captures and prints the figures.
//
//   bench_filter [FRAMES...]     10,000,000 frames unless counts are given
//
// Captures come from BENCH_DIR (kept there) or a temporary folder.

#include "benchcapture.h"

#include "files/capture.h"
#include "filters/filterexpression.h"
#include "filters/framebitmap.h"
#include "filters/framefilter.h"
#include "filters/framesearch.h"
#include "views/framerows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Korvex;

namespace {

class QuietSink final : public FrameReaderSink
{
public:
    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
};

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void timeFilter(const Capture &capture, const char *text)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(QLatin1String(text), &error);
    std::vector<double> ms;
    qint64 matches = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        matches = FrameFilter(capture, expression).matchingFrames()->count();
        ms.push_back(msSince(timer));
    }
    std::printf("  filter %-48s median %8.1f ms  (%lld matches)\n", text, median(ms),
                static_cast<long long>(matches));
}

void timeFind(const Capture &capture, const QString &text, qint64 from)
{
    FilterError error;
    const FilterExpression expression = FilterExpression::parse(text, &error);
    std::vector<double> ms;
    FrameSearch::Result result;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        result = FrameSearch::find(capture, expression, FrameRows(capture.frameCount()), from,
                                   FrameSearch::Direction::Forward);
        ms.push_back(msSince(timer));
    }
    std::printf("  find next %-45s median %8.1f ms  (frame %lld, %lld after the start)\n",
                qPrintable(text), median(ms), static_cast<long long>(result.frame),
                static_cast<long long>(result.frame - from));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QList<qint64> counts;
    for (int i = 1; i < argc; ++i)
        counts.append(QByteArray(argv[i]).toLongLong());
    if (counts.isEmpty())
        counts = {10000000};
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsSet("BENCH_DIR") ? qEnvironmentVariable("BENCH_DIR")
                                                                   : temporary.path();
    for (qint64 count : counts) {
        const QString path = QStringLiteral("%1/bench%2.drf3").arg(folder).arg(count);
        if (!QFile::exists(path) && !writeBenchCapture(path, count))
            return 1;
        Capture capture(path);
        QuietSink sink;
        capture.load(sink);
        std::printf("%lld frames\n", static_cast<long long>(capture.frameCount()));
        printMachineLoad();
        timeFilter(capture, "channel == \"RF IC Control\" and cts == 0");
        timeFilter(capture, "frame >= 1000 and frame < 5000000 or size == 512");
        timeFilter(capture, "payload contains 7e ?? 01");
        timeFilter(capture, "time > 1s and payload contains 7e 7e");
        // A pattern first met some 900,000 frames on: four payload bytes of that frame.
        const qint64 from = capture.frameCount() / 3;
        const QByteArray bytes = capture.frame(from + 900000).payload().left(4);
        QStringList hex;
        for (const char byte : bytes)
            hex.append(QString::fromLatin1(QByteArray(1, byte).toHex()));
        timeFind(capture, QStringLiteral("payload contains ") + hex.join(QLatin1Char(' ')), from);
        timeFind(capture, QStringLiteral("frame == %1").arg(from + 900000), from);
        printMachineLoad();
    }
    return 0;
}
