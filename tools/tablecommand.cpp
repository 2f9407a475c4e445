#include "tools/commands.h"

namespace Korvex::Dump {

int printTable(const QString &fileName, const QString &format, FILE *out, FILE *err)
{
    Q_UNUSED(fileName);
    Q_UNUSED(format);
    Q_UNUSED(out);
    std::fputs("drfdump: the frame table is not available yet\n", err);
    return BadUsage;
}

int printLog(const QString &fileName, FILE *out, FILE *err)
{
    Q_UNUSED(fileName);
    Q_UNUSED(out);
    std::fputs("drfdump: the log is not available yet\n", err);
    return BadUsage;
}

} // namespace Korvex::Dump
