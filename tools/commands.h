#ifndef TOOLS_COMMANDS_H
#define TOOLS_COMMANDS_H

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace Korvex::Dump {

/// Exit statuses of drfdump.
enum Status { Success = 0, Failed = 1, BadUsage = 2 };

/// Prints the frame table of a capture as tsv, csv or json.
int printTable(const QString &fileName, const QString &format, FILE *out, FILE *err);

/// Prints the lines the viewer's log gets when it loads the capture, as tsv (LEVEL<TAB>TEXT,
/// the text escaped) or json.
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

/// Prints the detail panel of one frame (counted from 0).
int printFrame(const QString &fileName, const FrameOptions &options, FILE *out, FILE *err);

/// Writes a capture of random frames, exactly as the viewer's generator does.
int generateCapture(qint64 count, quint32 seed, const QString &outFile, FILE *err);

} // namespace Korvex::Dump

#endif // TOOLS_COMMANDS_H
