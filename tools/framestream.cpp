#include "tools/framestream.h"

#include "files/capturefile.h"

#include <QFile>
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
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(err, "drfdump: %s\n", cannotOpenLogText(fileName).toUtf8().constData());
        return false;
    }
    ErrorKeeper keeper(sink);
    const ReadOutcome outcome = readFrames(file, file.size(), protocolVersionOf(fileName), keeper);
    for (const QString &line : std::as_const(keeper.errors))
        std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
    return outcome.result == ReadResult::Complete || outcome.result == ReadResult::Cancelled;
}

} // namespace Korvex::Dump
