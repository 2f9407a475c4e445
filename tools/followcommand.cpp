// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/errorkeeper.h"
#include "tools/tablesink.h"
#include "tools/textoutput.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <functional>

#include <poll.h>

namespace Korvex::Dump {

namespace {

// How often the file is looked at for new bytes: a new frame is printed within twice that.
constexpr int LookEveryMs = 120;
// A running count prints at most one line in this time.
constexpr qint64 CountEveryMs = 1000;

volatile std::sig_atomic_t stopAsked = 0;

extern "C" void askToStop(int)
{
    stopAsked = 1;
}

// SIGINT and SIGTERM end following once the frames read are printed; a reader that hangs
// up shows as a failed write (EPIPE) rather than ending the program at once.
void catchSignals()
{
    struct sigaction action = {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the signal; the wait for the file does not (poll never
    // restarts).
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

enum class Wait { More, Stop, HungUp };

// Waits until the file is to be looked at again, a signal asks to stop or the reader of `out`
// (a pipe or terminal) goes away.
Wait waitForMore(FILE *out)
{
    if (stopAsked)
        return Wait::Stop;
    pollfd watched = {fileno(out), 0, 0};
    const int got = ::poll(&watched, 1, LookEveryMs);
    if (stopAsked)
        return Wait::Stop;
    return got > 0 && (watched.revents & (POLLERR | POLLHUP)) ? Wait::HungUp : Wait::More;
}

/// Counts the frames (that match a filter) as they are read.
class CountSink final : public FrameReaderSink
{
public:
    CountSink(const FilterExpression *filter, int protocolVersion)
        : m_filter(filter)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        if (!m_filter) {
            ++count;
            return;
        }
        const quint8 header = m_protocolVersion == 0 ? quint8(frame.bytes[0]) : 0;
        if (m_filter->matches(FrameFacts::fromBytes(frame.number, header, frame.ticks, frame.bytes,
                                                    frame.length, m_protocolVersion)))
            ++count;
    }

    qint64 count = 0;

private:
    const FilterExpression *m_filter;
    int m_protocolVersion;
};

/// Reads the capture as it grows, handing its frames to `sink`; after every look at the file
/// `written(false)` adds what is to be printed, and `written(true)` once at the end.
int follow(const QString &fileName, FrameReaderSink &sink, TextOutput &output, FILE *out,
           FILE *err, const std::function<void(bool last)> &written)
{
    catchSignals();
    Capture capture(fileName);
    capture.setFrameLimit(Capture::NoFrameLimit);
    ErrorKeeper keeper(sink);
    // What the capture finds later (the file was changed) comes here, not to the sink.
    capture.setLogListener([&keeper](const QString &text, LogLevel level) {
        if (level == LogLevel::Error)
            keeper.errors.append(text);
    });
    const auto sayErrors = [&] {
        for (const QString &line : std::as_const(keeper.errors))
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
    };
    if (!capture.open(keeper)) {
        sayErrors();
        return Failed;
    }
    Capture::Status status = capture.readNewBytes(keeper);
    Wait wait = Wait::More;
    for (;;) {
        written(false);
        output.flush();
        if (output.error() != 0 || status != Capture::Status::Following)
            break;
        wait = waitForMore(out);
        if (wait != Wait::More)
            break;
        status = capture.readNewBytes(keeper);
    }
    sayErrors();
    // A reader that went away has what it wanted.
    if (wait == Wait::HungUp || output.error() == EPIPE)
        return Success;
    if (output.error() != 0)
        return output.finish(err);
    if (status != Capture::Status::Following && status != Capture::Status::Loaded) {
        output.finish(err);
        return Failed;
    }
    written(true);
    return output.finish(err);
}

} // namespace

int followTable(const QString &fileName, const QString &format, const TimeOptions &time,
                const FilterExpression *filter, const Definitions &fields, FILE *out, FILE *err)
{
    TextOutput output(out);
    TableSink sink(output, tableFormatOf(format), protocolVersionOf(fileName), time, filter,
                   fields);
    return follow(fileName, sink, output, out, err, [&sink](bool last) {
        if (last)
            sink.end();
        else
            sink.flush();
    });
}

int followCount(const QString &fileName, const FilterExpression *filter, FILE *out, FILE *err)
{
    TextOutput output(out);
    CountSink sink(filter, protocolVersionOf(fileName));
    QElapsedTimer clock;
    clock.start();
    qint64 printed = -1;
    qint64 printedAt = 0;
    return follow(fileName, sink, output, out, err, [&](bool last) {
        if (sink.count == printed || (!last && printed >= 0 && clock.elapsed() - printedAt < CountEveryMs))
            return;
        output.text() += QString::number(sink.count) + QLatin1Char('\n');
        printed = sink.count;
        printedAt = clock.elapsed();
    });
}

} // namespace Korvex::Dump
