#include "app/framescope.h"

namespace Korvex {

void Framescope::setColorMode()
{
}

} // namespace Korvex
