#include "app/framescope.h"

namespace Korvex {

void Framescope::showColorDlg()
{
}

} // namespace Korvex
