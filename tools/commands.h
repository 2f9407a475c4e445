// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TOOLS_COMMANDS_H
#define TOOLS_COMMANDS_H

#include "core/text/timetext.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <memory>

namespace Korvex {
class FieldDefinitions;
class FilterExpression;
} // namespace Korvex

namespace Korvex::Dump {

/// Exit statuses of drfdump.
enum Status { Success = 0, Failed = 1, BadUsage = 2 };

/// What the frame table's time column shows (--time, --reference).
struct TimeOptions
{
    TimeMode mode = TimeMode::SinceFirst;
    /// The time of the reference frame, for TimeMode::SinceReference.
    quint64 referenceTicks = 0;
    /// The reference frame, named in the column's title.
    qint64 reference = -1;
};

/// Field definitions given with --fields; none when the option is not given.
using Definitions = std::shared_ptr<const FieldDefinitions>;

/// Prints the frame table of a capture as tsv, csv, json or jsonl; only the frames that match the
/// filter, if one is given. With definitions, a Message column and a column per field follow.
int printTable(const QString &fileName, const QString &format, const TimeOptions &time,
               const FilterExpression *filter, const Definitions &fields, FILE *out, FILE *err);

/// Prints the frame table as printTable() does, then every frame written to the capture after
/// it as soon as it is whole (a file that an instrument is still writing), until SIGINT,
/// SIGTERM, a reader that hangs up, or frames that end for good. Exits with Success then,
/// with everything up to the last whole frame printed; with Failed when the file cannot be
/// read, is changed by another program, or the output cannot be written.
int followTable(const QString &fileName, const QString &format, const TimeOptions &time,
                const FilterExpression *filter, const Definitions &fields, FILE *out, FILE *err);

/// Follows the capture as followTable() does and prints the number of frames (that match the
/// filter, when one is given) at once, then a line each second in which it changed.
int followCount(const QString &fileName, const FilterExpression *filter, FILE *out, FILE *err);

/// Prints the number of frames that match the filter.
int countFrames(const QString &fileName, const FilterExpression &filter, FILE *out, FILE *err);

/// Writes the frames that match the filter as a capture of their own; `outFile` "-" is `out`.
int exportFrames(const QString &fileName, const FilterExpression &filter, const QString &outFile,
                 FILE *out, FILE *err);

/// Prints the statistics of a capture's frames, those that match the filter if one is given,
/// as the viewer's statistics window copies them (tsv), as one JSON object or as JSON Lines
/// (one object per table row); with definitions also the figures of every field.
int printStats(const QString &fileName, const QString &format, const FilterExpression *filter,
               const Definitions &fields, FILE *out, FILE *err);

/// The time of one frame of a capture, in ticks: Success, Failed when the capture cannot be
/// read, BadUsage when it has no such frame.
int frameTime(const QString &fileName, qint64 frame, quint64 &ticks, FILE *err);

/// Prints the lines the viewer's log gets when it loads the capture, as tsv (LEVEL<TAB>TEXT,
/// the text escaped), json (one array) or jsonl (one object per line).
int printLog(const QString &fileName, const QString &format, FILE *out, FILE *err);

/// Settings of the detail panel, as chosen on the command line.
struct FrameOptions
{
    qint64 frame = 0;
    int base = 2;
    int bytesPerColumn = 1;
    int columns = 4;
    int byteOrder = 0;
};

/// Prints the detail panel of one frame (counted from 0); with definitions, its decoded
/// message after the dump.
int printFrame(const QString &fileName, const FrameOptions &options, const Definitions &fields,
               FILE *out, FILE *err);

/// Writes a capture of random frames, exactly as the viewer's generator does, or with
/// `traffic` one of simulated realistic traffic.
int generateCapture(qint64 count, quint32 seed, bool traffic, const QString &outFile, FILE *err);

} // namespace Korvex::Dump

#endif // TOOLS_COMMANDS_H
