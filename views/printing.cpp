#include "app/framescope.h"

namespace Korvex {

void Framescope::showPrintDlg()
{
}

} // namespace Korvex
