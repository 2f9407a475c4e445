#include "app/framescope.h"

namespace Korvex {

void Framescope::loadFile(const QString &fileName)
{
    Q_UNUSED(fileName);
}

void Framescope::rebuildRecentFilesMenu()
{
}

} // namespace Korvex
