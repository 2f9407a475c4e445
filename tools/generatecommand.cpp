#include "tools/commands.h"

namespace Korvex::Dump {

int generateCapture(qint64 count, quint32 seed, const QString &outFile, FILE *err)
{
    Q_UNUSED(count);
    Q_UNUSED(seed);
    Q_UNUSED(outFile);
    std::fputs("drfdump: generating captures is not available yet\n", err);
    return BadUsage;
}

} // namespace Korvex::Dump
