// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "tools/framestream.h"
#include "tools/textoutput.h"

#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/files/capturefile.h"
#include "core/files/framereader.h"
#include "core/frames/framerecord.h"
#include "core/text/framedetail.h"

#include <QString>

#include <optional>

namespace Korvex::Dump {

namespace {

// The detail panel of one frame, in the order the panel shows it.
QString frameReport(const FrameRecord &record, const FrameOptions &options)
{
    QString text;
    text += QLatin1String("PL Size\t") + FrameDetail::payloadSizeField(record, options.base)
          + QLatin1Char('\t') + FrameDetail::payloadSizeLabel(record) + QLatin1Char('\n');
    text += QLatin1String("Logical Channel Type\t")
          + FrameDetail::channelTypeField(record, options.base) + QLatin1Char('\t')
          + FrameDetail::channelTypeLabel(record) + QLatin1Char('\n');
    text += QLatin1String("CTS bit\t") + FrameDetail::ctsField(record, options.base)
          + QLatin1Char('\n');
    text += QLatin1String("Status\t") + FrameDetail::statusText(record) + QLatin1String("\n\n");
    text += FrameDetail::payloadDump(record.payload(), options.bytesPerColumn, options.columns,
                                     options.byteOrder);
    return text;
}

/// Keeps the one frame asked for, and the reader's error lines; the read stops soon after the
/// frame was met.
class FrameSink final : public FrameReaderSink
{
public:
    FrameSink(qint64 wanted, int protocolVersion)
        : m_wanted(wanted)
        , m_protocolVersion(protocolVersion)
    {
    }

    void log(const QString &, LogLevel) override {}
    void progress(int) override {}
    bool proceed(qint64 framesRead) override
    {
        frames = framesRead;
        return !found;
    }
    bool wantsFrames() const override { return !found; }
    void frame(const ScannedFrame &frame) override
    {
        if (frame.number != m_wanted)
            return;
        found.emplace(m_protocolVersion, frame.bytes, frame.length);
        found->setTime(frame.ticks);
    }

    std::optional<FrameRecord> found;
    qint64 frames = 0;

private:
    qint64 m_wanted;
    int m_protocolVersion;
};

} // namespace

int printFrame(const QString &fileName, const FrameOptions &options, const Definitions &fields,
               FILE *out, FILE *err)
{
    FrameSink sink(options.frame, protocolVersionOf(fileName));
    if (!streamFrames(fileName, sink, err))
        return Failed;
    if (sink.found) {
        TextOutput output(out);
        output.text() = frameReport(*sink.found, options);
        if (fields) {
            const QByteArray payload = sink.found->payload();
            output.text() += QLatin1Char('\n')
                             + FieldText::messageReport(
                                 *fields, fields->messageOf(*sink.found),
                                 reinterpret_cast<const uchar *>(payload.constData()));
        }
        return output.finish(err);
    }
    std::fprintf(err, "drfdump: frame %lld is not in the file, which holds %lld frames\n",
                 static_cast<long long>(options.frame), static_cast<long long>(sink.frames));
    return BadUsage;
}

} // namespace Korvex::Dump
