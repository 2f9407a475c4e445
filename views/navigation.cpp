#include "app/framescope.h"

namespace Korvex {

void Framescope::findFrame()
{
}

void Framescope::goFirstFrame()
{
}

void Framescope::goPrevFrame()
{
}

void Framescope::goNextFrame()
{
}

void Framescope::goLastFrame()
{
}

} // namespace Korvex
