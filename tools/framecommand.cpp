#include "tools/commands.h"

namespace Korvex::Dump {

int printFrame(const QString &fileName, const FrameOptions &options, FILE *out, FILE *err)
{
    Q_UNUSED(fileName);
    Q_UNUSED(options);
    Q_UNUSED(out);
    std::fputs("drfdump: frame details are not available yet\n", err);
    return BadUsage;
}

} // namespace Korvex::Dump
