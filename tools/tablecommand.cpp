#include "tools/commands.h"

#include "tools/errorsink.h"

#include "files/capture.h"
#include "files/framereader.h"
#include "filters/filterexpression.h"
#include "filters/framefacts.h"
#include "views/frametablewriter.h"

#include <QString>

namespace Korvex::Dump {

namespace {

// Text is collected and written in large pieces: no write or flush per line.
constexpr qsizetype FlushChars = qsizetype(1) << 18;

/// Collects output text and writes it to a FILE in UTF-8.
class Output
{
public:
    explicit Output(FILE *file)
        : m_file(file)
    {
        m_text.reserve(FlushChars + 4096);
    }
    ~Output() { flush(); }

    QString &text() { return m_text; }

    void flushIfFull()
    {
        if (m_text.size() >= FlushChars)
            flush();
    }

    void flush()
    {
        if (m_text.isEmpty())
            return;
        const QByteArray bytes = m_text.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_file);
        m_text.resize(0);
    }

private:
    FILE *m_file;
    QString m_text;
};

/// Prints every log line as LEVEL<TAB>TEXT.
class LogSink final : public FrameReaderSink
{
public:
    LogSink(Output &out, int protocolVersion)
        : m_out(out)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &text, LogLevel level) override
    {
        static const QLatin1String levels[] = {QLatin1String("info\t"),
                                               QLatin1String("warning\t"),
                                               QLatin1String("error\t")};
        m_out.text() += levels[int(level)];
        m_out.text() += text;
        m_out.text() += QLatin1Char('\n');
        m_out.flushIfFull();
    }
    void progress(int) override {}
    bool wantsFrames() const override { return true; }
    // Each frame's line, in its place among the others.
    void frame(const ScannedFrame &frame) override
    {
        const int bytes = m_protocolVersion != 0
                              ? 0
                              : FrameHeader::fromWord(quint8(frame.bytes[0])).payloadSizeBits() / 8;
        log(LogLines::frameLine(frame.number + 1, bytes), LogLevel::Info);
    }

private:
    Output &m_out;
    int m_protocolVersion;
};

FrameTableWriter::Format formatOf(const QString &name)
{
    if (name == QLatin1String("csv"))
        return FrameTableWriter::Format::Csv;
    if (name == QLatin1String("json"))
        return FrameTableWriter::Format::Json;
    return FrameTableWriter::Format::Tsv;
}

void printRows(const Capture &frames, int protocolVersion, FrameTableWriter::Format format,
               const FilterExpression *filter, Output &out)
{
    FrameTableWriter writer(format, protocolVersion);
    writer.begin(out.text());
    for (qint64 row = 0; row < frames.frameCount(); ++row) {
        const FrameRecord record = frames.frame(row);
        if (filter && !filter->matches(FrameFacts::fromRecord(record, row)))
            continue;
        writer.row(out.text(), record);
        out.flushIfFull();
    }
    writer.end(out.text());
}

} // namespace

int printTable(const QString &fileName, const QString &format, const FilterExpression *filter,
               FILE *out, FILE *err)
{
    Capture frames(fileName);
    ErrorSink sink;
    int status = Success;
    if (frames.load(sink) == Capture::Status::Loaded) {
        Output output(out);
        printRows(frames, frames.protocolVersion(), formatOf(format), filter, output);
    } else {
        for (const QString &line : std::as_const(sink.errors))
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
        status = Failed;
    }
    return status;
}

int printLog(const QString &fileName, FILE *out, FILE *err)
{
    Q_UNUSED(err);
    Capture frames(fileName);
    Output output(out);
    LogSink sink(output, frames.protocolVersion());
    return frames.load(sink) == Capture::Status::Loaded ? Success : Failed;
}

} // namespace Korvex::Dump
