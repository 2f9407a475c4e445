#include "tools/commands.h"

#include "files/framegenerator.h"

#include <QDateTime>

namespace Korvex::Dump {

int generateCapture(qint64 count, quint32 seed, const QString &outFile, FILE *err)
{
    if (count < 1 || count > FrameGenerator::MaxFrames) {
        std::fprintf(err, "drfdump: --generate takes a count from 1 to %lld\n",
                     static_cast<long long>(FrameGenerator::MaxFrames));
        return BadUsage;
    }
    QString reason;
    if (!FrameGenerator::writeFile(outFile, seed, count, QDateTime::currentDateTime(), &reason)) {
        std::fprintf(err, "drfdump: cannot write file %s: %s\n", qPrintable(outFile),
                     qPrintable(reason));
        return Failed;
    }
    return Success;
}

} // namespace Korvex::Dump
