#include "app/framescope.h"

namespace Korvex {

void Framescope::buildFramesScroller()
{
}

double Framescope::frameItemHeight() const
{
    return 0.0;
}

void Framescope::updateFramesScroller()
{
}

void Framescope::frameScrollerMoved()
{
}

} // namespace Korvex
