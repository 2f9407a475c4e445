#include "app/framescope.h"

namespace Korvex {

int Framescope::parseFrameFile(QDataStream &in, qint64 size)
{
    Q_UNUSED(in);
    Q_UNUSED(size);
    return 0;
}

} // namespace Korvex
