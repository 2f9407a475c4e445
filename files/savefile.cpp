#include "app/framescope.h"

namespace Korvex {

void Framescope::saveFile()
{
}

bool Framescope::generateFrameFile(const QString &fileName, int protocolVersion, int frameCount)
{
    Q_UNUSED(fileName);
    Q_UNUSED(protocolVersion);
    Q_UNUSED(frameCount);
    return false;
}

} // namespace Korvex
