// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/files/capturefile.h"
#include "core/files/capturewriter.h"
#include "core/files/framereader.h"
#include "core/files/outputfile.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framefacts.h"
#include "core/tasks/parallelpass.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <functional>
#include <vector>

namespace Korvex::Dump {

namespace {

/// Reads a capture frame by frame as it streams past and hands on the frames that match a
/// filter, in their order. The frames are kept a segment at a time, judged side by side on
/// every core and then handed on, so that the memory stays the same whatever the capture's
/// size. finish() hands on the last segment.
class MatchingSink final : public FrameReaderSink
{
public:
    using Handler = std::function<bool(const ScannedFrame &)>;

    MatchingSink(const FilterExpression &filter, int protocolVersion, Handler handler)
        : m_filter(filter)
        , m_protocolVersion(protocolVersion)
        , m_payloads(filter.needsPayload())
        , m_handler(std::move(handler))
    {
        m_pass.setPieceFrames(PieceFrames);
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool proceed(qint64) override { return !m_stopped; }
    bool wantsFrames() const override { return true; }
    void frame(const ScannedFrame &frame) override
    {
        if (m_stopped)
            return;
        m_frames.push_back({frame.number, frame.offset, frame.ticks, m_bytes.size(), frame.length});
        m_bytes.append(frame.bytes, frame.length);
        if (qint64(m_frames.size()) >= SegmentFrames)
            finish();
    }

    /// Judges the frames kept and hands on those that match.
    void finish()
    {
        const qint64 count = qint64(m_frames.size());
        std::vector<quint64> matches(std::size_t((count + 63) / 64), 0);
        // Pieces start on multiples of 64 frames, so each sets its own words.
        m_pass.run(0, count, [&](int, qint64 from, qint64 to, const WorkProgress &) {
            for (qint64 k = from; k < to; ++k) {
                if (m_filter.matches(factsOf(m_frames[std::size_t(k)])))
                    matches[std::size_t(k >> 6)] |= quint64(1) << (k & 63);
            }
            return true;
        });
        for (qint64 k = 0; k < count && !m_stopped; ++k) {
            if (matches[std::size_t(k >> 6)] >> (k & 63) & 1) {
                const Kept &kept = m_frames[std::size_t(k)];
                const ScannedFrame frame{kept.number, kept.offset, kept.ticks,
                                         m_bytes.constData() + kept.at, kept.length};
                m_stopped = !m_handler(frame);
            }
        }
        m_frames.clear();
        m_bytes.clear();
    }

private:
    // A segment of the largest frames stays below twenty megabytes; a piece is worth a thread.
    static constexpr qint64 SegmentFrames = qint64(1) << 18;
    static constexpr qint64 PieceFrames = qint64(1) << 14;

    struct Kept
    {
        qint64 number;
        quint64 offset;
        quint64 ticks;
        qsizetype at;
        qint64 length;
    };

    FrameFacts factsOf(const Kept &kept) const
    {
        const char *bytes = m_bytes.constData() + kept.at;
        const quint8 header = m_protocolVersion == 0 ? quint8(bytes[0]) : 0;
        return FrameFacts::fromBytes(kept.number, header, kept.ticks, bytes, kept.length,
                                     m_protocolVersion, m_payloads);
    }

    const FilterExpression &m_filter;
    int m_protocolVersion;
    bool m_payloads;
    Handler m_handler;
    bool m_stopped = false;
    ParallelPass m_pass;
    std::vector<Kept> m_frames;
    QByteArray m_bytes;
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
