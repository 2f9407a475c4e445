#include "tools/commands.h"

#include "tools/errorsink.h"
#include "tools/textoutput.h"

#include "files/capturefile.h"
#include "files/framereader.h"
#include "views/framedetail.h"

#include <QString>
#include <QStringList>

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

} // namespace

int printFrame(const QString &fileName, const FrameOptions &options, FILE *out, FILE *err)
{
    FrameList frames;
    ErrorSink sink;
    const CaptureResult result = readCaptureFile(fileName, frames, sink);
    int status = Success;
    if (result != CaptureResult::Loaded) {
        for (const QString &line : std::as_const(sink.errors))
            std::fprintf(err, "drfdump: %s\n", line.toUtf8().constData());
        status = Failed;
    } else if (options.frame < 0 || options.frame >= frames.size()) {
        std::fprintf(err, "drfdump: frame %lld is not in the file, which holds %lld frames\n",
                     static_cast<long long>(options.frame), static_cast<long long>(frames.size()));
        status = BadUsage;
    } else {
        TextOutput output(out);
        output.text() = frameReport(*frames.at(options.frame), options);
        status = output.finish(err);
    }
    qDeleteAll(frames);
    return status;
}

} // namespace Korvex::Dump
