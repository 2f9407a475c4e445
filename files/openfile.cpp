#include "app/framescope.h"

namespace Korvex {

void Framescope::openFile()
{
}

void Framescope::openRecentFile()
{
}

} // namespace Korvex
