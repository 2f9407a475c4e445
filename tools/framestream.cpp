// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/framestream.h"

#include "core/files/capture.h"

#include <QStringList>

namespace Korvex::Dump {

namespace {

/// Hands everything on, keeping the error lines that explain a failed read.
class ErrorKeeper final : public FrameReaderSink
{
public:
    explicit ErrorKeeper(FrameReaderSink &sink)
        : m_sink(sink)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        if (level == LogLevel::Error)
            errors.append(text);
        m_sink.log(text, level);
    }
    void progress(int value) override { m_sink.progress(value); }
    bool proceed(qint64 framesRead) override { return m_sink.proceed(framesRead); }
    bool wantsFrames() const override { return m_sink.wantsFrames(); }
    void frame(const ScannedFrame &frame) override { m_sink.frame(frame); }

    QStringList errors;

private:
    FrameReaderSink &m_sink;
};

} // namespace

bool streamFrames(const QString &fileName, FrameReaderSink &sink, FILE *err)
{
    Capture capture(fileName);
    ErrorKeeper keeper(sink);
    const Capture::Status status = capture.scan(keeper);
    for (const QString &line : std::as_const(keeper.errors))
        std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
    // No frame limit applies: a capture is read to its end, however many frames it holds.
    return status == Capture::Status::Loaded || status == Capture::Status::Cancelled;
}

} // namespace Korvex::Dump
