#include "viewer/app/framescope.h"

#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/text/framedetail.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/payloadhighlighter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace Korvex {

void Framescope::setHeaderBase(int index)
{
    static const int bases[] = {2, 16, 8, 10};
    headerBase = index >= 0 && index < 4 ? bases[index] : 2;
    showCurrentFrame();
}

void Framescope::setPayloadBytesPerColumn(int index)
{
    static const int widths[] = {1, 2, 4};
    payloadBytesPerColumn = index >= 0 && index < 3 ? widths[index] : 1;
    showCurrentFrame();
}

void Framescope::setPayloadCols(int value)
{
    payloadCols = value;
    showCurrentFrame();
}

void Framescope::setPayloadByteOrder(int index)
{
    payloadByteOrder = index;
    showCurrentFrame();
}

void Framescope::selectFrame(QModelIndex current, QModelIndex previous)
{
    Q_UNUSED(previous);
    // The table's current row, chosen by the user, makes its frame the session's current
    // frame, which the panel shows.
    session->setCurrentFrame(current.isValid() ? model->frameAt(current.row()) : -1);
}

void Framescope::showCurrentFrame()
{
    // The form's controls report their first values while the window is still being built.
    if (!statusLabel)
        return;
    const qint64 frame = session->currentFrame();
    const std::shared_ptr<const Capture> &capture = session->capture();
    if (frame < 0 || !capture || frame >= capture->frameCount()) {
        showNoFrame();
        return;
    }
    const FrameRecord record = capture->frame(frame);
    statusLabel->setText(FrameDetail::statusText(record));
    ui.edPlSize->setText(FrameDetail::payloadSizeField(record, headerBase));
    ui.edLct->setText(FrameDetail::channelTypeField(record, headerBase));
    ui.edCts->setText(FrameDetail::ctsField(record, headerBase));
    ui.lblPlSize->setText(FrameDetail::payloadSizeLabel(record));
    ui.lblLct->setText(FrameDetail::channelTypeLabel(record));
    highlighter->setDumpLayout(payloadBytesPerColumn, payloadCols, payloadByteOrder);
    // What the last Find found in this frame stands out in the dump.
    highlighter->setMarkedBytes(frame == foundFrame ? foundBytes
                                                    : std::vector<std::pair<int, int>>());
    showCurrentTime();
    ui.txtPayload->setPlainText(FrameDetail::payloadDump(record.payload(), payloadBytesPerColumn,
                                                         payloadCols, payloadByteOrder));
}

void Framescope::showCurrentTime()
{
    const qint64 frame = session->currentFrame();
    const std::shared_ptr<const Capture> &capture = session->capture();
    if (!statusLabel || frame < 0 || !capture || frame >= capture->frameCount()) {
        ui.lblTime->clear();
        return;
    }
    const FrameRows &rows = session->rows();
    ui.lblTime->setText(FrameDetail::timeText(capture->frame(frame), session->timeMode(),
                                              session->timeReference(),
                                              session->timeColumn().sinceNs(rows, rows.rowOf(frame))));
}

void Framescope::showNoFrame()
{
    // Whatever the panel showed belongs to a frame that is no longer selected, or to none (the
    // form's placeholders); none of it may look like a frame.
    for (QLineEdit *field : {ui.edPlSize, ui.edLct, ui.edCts})
        field->clear();
    ui.lblPlSize->clear();
    ui.lblLct->clear();
    ui.lblTime->clear();
    ui.txtPayload->clear();
    if (statusLabel)
        statusLabel->setText(tr("No frame selected"));
}

} // namespace Korvex
