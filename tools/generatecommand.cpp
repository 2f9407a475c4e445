// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/commands.h"

#include "core/files/capturefile.h"
#include "core/files/framegenerator.h"
#include "core/files/trafficgenerator.h"

#include <QDateTime>

namespace Korvex::Dump {

int generateCapture(qint64 count, quint32 seed, bool traffic, const QString &outFile, FILE *err)
{
    if (count < 1 || count > FrameGenerator::MaxFrames) {
        std::fprintf(err, "drfdump: --generate takes a count from 1 to %lld\n",
                     static_cast<long long>(FrameGenerator::MaxFrames));
        return BadUsage;
    }
    // The viewer takes the protocol version from the suffix alone: under any other name the
    // DigRF 3G frames would be read as DigRF v4.
    if (protocolVersionOf(outFile) != 0) {
        std::fprintf(err, "drfdump: warning: %s does not end in .drf3, so Framescope opens it as "
                          "DigRF v4 and not as the DigRF 3G capture it holds\n",
                     qPrintable(outFile));
    }
    QString reason;
    const QDateTime now = QDateTime::currentDateTime();
    const bool written = traffic ? TrafficGenerator::writeFile(outFile, seed, count, now, &reason)
                                 : FrameGenerator::writeFile(outFile, seed, count, now, &reason);
    if (!written) {
        std::fprintf(err, "drfdump: cannot write file %s: %s\n", qPrintable(outFile),
                     qPrintable(reason));
        return Failed;
    }
    return Success;
}

} // namespace Korvex::Dump
