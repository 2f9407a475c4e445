#include "app/framescope.h"

namespace Korvex {

void Framescope::setHeaderBase(int index)
{
    static const int bases[] = {2, 16, 8, 10};
    headerBase = index >= 0 && index < 4 ? bases[index] : 2;
    selectFrame(ui.tblFrames->currentIndex(), ui.tblFrames->currentIndex());
}

void Framescope::setPayloadBytesPerColumn(int index)
{
    static const int widths[] = {1, 2, 4};
    payloadBytesPerColumn = index >= 0 && index < 3 ? widths[index] : 1;
    selectFrame(ui.tblFrames->currentIndex(), ui.tblFrames->currentIndex());
}

void Framescope::setPayloadCols(int value)
{
    payloadCols = value;
    selectFrame(ui.tblFrames->currentIndex(), ui.tblFrames->currentIndex());
}

void Framescope::setPayloadByteOrder(int index)
{
    payloadByteOrder = index;
    selectFrame(ui.tblFrames->currentIndex(), ui.tblFrames->currentIndex());
}

void Framescope::selectFrame(QModelIndex current, QModelIndex previous)
{
    Q_UNUSED(current);
    Q_UNUSED(previous);
}

} // namespace Korvex
