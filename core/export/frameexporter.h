// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_EXPORT_FRAMEEXPORTER_H
#define CORE_EXPORT_FRAMEEXPORTER_H

#include "core/fields/fieldcolumns.h"
#include "core/files/workprogress.h"

#include <QString>

namespace Korvex {

class Capture;
class FrameRows;

/// Writes some of a capture's frames to a file: as the frame table in CSV or JSON (what drfdump
/// prints), or as a capture of their own that the viewer and drfdump read back with the same
/// frames and times. The file is written beside its final name and takes that name only when
/// complete, so a failed or cancelled export leaves no half-written file, and an old file of
/// that name stays as it was; a pipe or device is written in place. An export never goes to
/// the capture it reads.
class FrameExporter
{
public:
    enum class Format { Csv, Json, Capture };
    enum class Result { Written, Cancelled, Failed };

    /// Why the frames of the capture file `input` cannot go to `fileName`: it is that very
    /// file. Empty when they can.
    static QString targetProblem(const QString &input, const QString &fileName);

    /// Writes the frames that `frames` shows, in order, a table with the columns of decoded
    /// fields given after its own. On failure `error` says why. A frame no longer in the file
    /// stops a capture; in a table it is a row without time and payload, and `missing`, when
    /// given, counts such rows.
    static Result write(const Capture &capture, const FrameRows &frames, Format format,
                        const QString &fileName, const WorkProgress &progress, QString *error,
                        qint64 *missing = nullptr, const FieldColumns &fields = FieldColumns());
    /// "499,805 frames are no longer in the file: their time and payload are exported as
    /// missing."
    static QString missingNote(qint64 missing);
};

} // namespace Korvex

#endif // CORE_EXPORT_FRAMEEXPORTER_H
