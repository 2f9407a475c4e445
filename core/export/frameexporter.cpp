// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/export/frameexporter.h"

#include "core/files/capture.h"
#include "core/files/capturefile.h"
#include "core/files/capturewriter.h"
#include "core/files/framecursor.h"
#include "core/files/outputfile.h"
#include "core/filters/framebitmap.h"
#include "core/filters/framerows.h"
#include "core/text/frametablewriter.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <optional>

namespace Korvex {

namespace {

// Frames between two reports of progress, and text collected before a write.
constexpr qint64 FramesPerReport = 4096;
constexpr qsizetype TextChars = qsizetype(1) << 18;
// A cursor further than this from the next frame to write starts anew there.
constexpr qint64 CursorReach = qint64(1) << 16;

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

/// Calls `visit` for every frame the rows show, in order, until it answers false.
template<typename Visit>
bool forEachFrame(const FrameRows &rows, Visit visit)
{
    const FrameBitmap *bits = rows.bitmap();
    if (!bits) {
        for (qint64 n = 0; n < rows.total(); ++n) {
            if (!visit(n))
                return false;
        }
        return true;
    }
    for (qint64 w = 0; w < bits->wordCount(); ++w) {
        for (quint64 word = bits->words()[w]; word != 0; word &= word - 1) {
            if (!visit(w * 64 + qCountTrailingZeroBits(word)))
                return false;
        }
    }
    return true;
}

} // namespace

QString FrameExporter::targetProblem(const QString &input, const QString &fileName)
{
    return OutputFile(fileName).overwrites(input)
               ? tr("The export would overwrite its own input %1.").arg(input)
               : QString();
}

FrameExporter::Result FrameExporter::write(const Capture &capture, const FrameRows &frames,
                                           Format format, const QString &fileName,
                                           const WorkProgress &progress, QString *error,
                                           qint64 *missing, const FieldColumns &fields)
{
    if (frames.count() == 0) {
        *error = tr("There are no frames to export.");
        return Result::Failed;
    }
    *error = targetProblem(capture.fileName(), fileName);
    if (!error->isEmpty())
        return Result::Failed;
    OutputFile file(fileName);
    if (format == Format::Capture && !file.inPlace()
        && protocolVersionOf(fileName) != capture.protocolVersion()) {
        // The reader takes the protocol version from the file name: a file read back by it
        // must have the right one.
        *error = capture.protocolVersion() == 0
                     ? tr("A DigRF 3G capture is exported to a file whose name ends in .drf3.")
                     : tr("A DigRF v4 capture is exported to a file whose name does not end in "
                          ".drf3 (such as .drf4).");
        return Result::Failed;
    }
    if (!file.open()) {
        *error = tr("%1 cannot be written: %2").arg(fileName, file.errorString());
        return Result::Failed;
    }

    CaptureWriter capturing(file.device(), !file.inPlace());
    FrameTableWriter table(format == Format::Json ? FrameTableWriter::Format::Json
                                                  : FrameTableWriter::Format::Csv,
                           capture.protocolVersion());
    table.setFieldColumns(fields);
    QByteArray text;
    const auto writeText = [&file, &text] {
        const bool written = file.device().write(text) == text.size();
        text.resize(0);
        return written;
    };
    QString failure;
    if (format == Format::Capture)
        capturing.begin(QFileInfo(capture.fileName()).fileName(), QDateTime::currentDateTime());
    else
        table.begin(text);

    std::optional<FrameCursor> cursor;
    qint64 done = 0;
    bool cancelled = false;
    const bool complete = forEachFrame(frames, [&](qint64 n) {
        if (!cursor || n - cursor->number() > CursorReach)
            cursor.emplace(capture, n, capture.frameCount());
        while (cursor->number() < n)
            cursor->next();
        if (format == Format::Capture) {
            if (cursor->isMissing()) {
                failure = tr("Frame %1 is no longer in the file %2.").arg(n).arg(capture.fileName());
                return false;
            }
            if (!capturing.append(n, cursor->bytes(), cursor->length(), cursor->ticks())) {
                failure = capturing.errorText();
                return false;
            }
        } else {
            if (missing && cursor->isMissing())
                ++*missing;
            table.row(text, n, cursor->record());
            if (text.size() >= TextChars && !writeText()) {
                failure = file.device().errorString();
                return false;
            }
        }
        if (++done % FramesPerReport == 0 && progress && !progress(done, frames.count())) {
            cancelled = true;
            return false;
        }
        return true;
    });

    if (complete) {
        if (format == Format::Capture) {
            if (!capturing.finish())
                failure = capturing.errorText();
        } else {
            table.end(text);
            if (!writeText())
                failure = file.device().errorString();
        }
    }
    if (!complete || !failure.isEmpty()) {
        file.cancel();
        *error = cancelled ? tr("Export cancelled.") : failure;
        return cancelled ? Result::Cancelled : Result::Failed;
    }
    if (!file.commit()) {
        *error = tr("%1 cannot be written: %2").arg(fileName, file.errorString());
        return Result::Failed;
    }
    return Result::Written;
}

QString FrameExporter::missingNote(qint64 missing)
{
    return missing == 1 ? tr("1 frame is no longer in the file: its time and payload are "
                             "exported as missing.")
                        : tr("%L1 frames are no longer in the file: their time and payload are "
                             "exported as missing.")
                              .arg(missing);
}

} // namespace Korvex
