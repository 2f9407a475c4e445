// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framesegment.h"
#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/files/capturefile.h"
#include "core/files/capturewriter.h"
#include "core/files/framereader.h"
#include "core/files/outputfile.h"
#include "core/filters/filterexpression.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <functional>
#include <vector>

namespace Korvex::Dump {

namespace {

/// Reads a capture frame by frame as it streams past and hands on the frames that match a
/// filter, in their order, a segment at a time (FrameSegment). finish() hands on the last
/// segment.
class MatchingSink final : public FrameReaderSink
{
public:
    using Handler = std::function<bool(const ScannedFrame &)>;

    MatchingSink(const FilterExpression &filter, int protocolVersion, Handler handler)
        : m_filter(filter)
        , m_segment(protocolVersion)
        , m_handler(std::move(handler))
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool proceed(qint64) override { return !m_stopped; }
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        if (!m_stopped && m_segment.append(frame))
            finish();
    }

    /// Judges the frames kept and hands on those that match.
    void finish()
    {
        const std::vector<quint64> matches = m_segment.matches(m_filter);
        for (qint64 k = 0; k < m_segment.count() && !m_stopped; ++k) {
            if (FrameSegment::isSet(matches, k))
                m_stopped = !m_handler(m_segment.frame(k));
        }
        m_segment.clear();
    }

private:
    const FilterExpression &m_filter;
    FrameSegment m_segment;
    Handler m_handler;
    bool m_stopped = false;
};

} // namespace

int countFrames(const QString &fileName, const FilterExpression &filter, FILE *out, FILE *err)
{
    qint64 count = 0;
    MatchingSink sink(filter, protocolVersionOf(fileName), [&count](const ScannedFrame &) {
        ++count;
        return true;
    });
    if (!streamFrames(fileName, sink, err))
        return Failed;
    sink.finish();
    TextOutput output(out);
    output.text() = QString::number(count) + QLatin1Char('\n');
    return output.finish(err);
}

int exportFrames(const QString &fileName, const FilterExpression &filter, const QString &outFile,
                 FILE *out, FILE *err)
{
    // "-" is standard output.
    OutputFile file = outFile == QLatin1String("-") ? OutputFile(fileno(out)) : OutputFile(outFile);
    if (file.overwrites(fileName)) {
        std::fprintf(err, "drfdump: the export would overwrite its own input %s\n",
                     fileName.toUtf8().constData());
        return BadUsage;
    }
    const int protocolVersion = protocolVersionOf(fileName);
    // The reader takes the protocol version from the file name; a pipe or device is not read
    // back by its name.
    if (!file.inPlace() && protocolVersionOf(outFile) != protocolVersion) {
        std::fprintf(err, "drfdump: %s\n",
                     protocolVersion == 0
                         ? "a DigRF 3G capture is exported to a file whose name ends in .drf3"
                         : "a DigRF v4 capture is exported to a file whose name does not end in .drf3");
        return BadUsage;
    }
    if (!file.open()) {
        std::fprintf(err, "drfdump: %s cannot be written: %s\n", outFile.toUtf8().constData(),
                     file.errorString().toUtf8().constData());
        return Failed;
    }
    CaptureWriter writer(file.device(), !file.inPlace());
    writer.begin(QFileInfo(fileName).fileName(), QDateTime::currentDateTime());
    MatchingSink sink(filter, protocolVersion, [&writer](const ScannedFrame &frame) {
        return writer.append(frame.number, frame.bytes, frame.length, frame.ticks);
    });
    const bool read = streamFrames(fileName, sink, err);
    if (read)
        sink.finish();
    if (read && writer.errorText().isEmpty() && writer.finish() && file.commit())
        return Success;
    // Nothing of a failed export stays behind.
    const QString why = !writer.errorText().isEmpty() ? writer.errorText() : file.errorString();
    file.cancel();
    if (read) {
        std::fprintf(err, "drfdump: cannot write %s: %s\n",
                     outFile == QLatin1String("-") ? "the output" : outFile.toUtf8().constData(),
                     why.toUtf8().constData());
    }
    return Failed;
}

} // namespace Korvex::Dump
