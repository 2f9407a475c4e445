#include "app/framescope.h"

namespace Korvex {

void Framescope::showAboutDlg()
{
}

} // namespace Korvex
