// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/fields/fielddefinitions.h"
#include "core/fields/fieldtext.h"
#include "core/files/capture.h"
#include "core/session/capturesession.h"
#include "core/text/framedetail.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/payloadhighlighter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

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
    if (frame < 0 || !capture || frame >= session->frameCount()) {
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
    markFoundBytes();
    showCurrentTime();
    ui.txtPayload->setPlainText(FrameDetail::payloadDump(record.payload(), payloadBytesPerColumn,
                                                         payloadCols, payloadByteOrder));
    showFields(&record);
}

void Framescope::showFields(const FrameRecord *record)
{
    const std::shared_ptr<const FieldDefinitions> &definitions = session->fieldDefinitions();
    // The field selected stays selected while the frames shown are the same message.
    const int previousMessage = shownMessage;
    const int previousField = shownField;
    if (!highlighter)
        return;
    ui.trFields->clear();
    markFoundBytes();
    shownMessage = definitions && record ? definitions->messageOf(*record) : -1;
    shownField = -1;
    if (!definitions || !record) {
        ui.lblMessage->clear();
        return;
    }
    if (shownMessage < 0) {
        ui.lblMessage->setText(tr("Message: none of the definitions"));
        return;
    }
    const MessageDefinition &message = definitions->message(shownMessage);
    ui.lblMessage->setText(tr("Message: %1").arg(message.name));
    const QByteArray payload = record->payload();
    const auto *bytes = reinterpret_cast<const uchar *>(payload.constData());
    QList<QTreeWidgetItem *> items;
    for (int f = 0; f < int(message.fields.size()); ++f) {
        const FieldDefinition &field = message.fields[std::size_t(f)];
        const quint64 raw = field.layout.raw(bytes);
        const QString *name = field.valueName(raw);
        auto *item = new QTreeWidgetItem({field.name, FieldText::rawText(field, raw),
                                          FieldText::physicalText(field, raw),
                                          name ? *name : QString()});
        item->setData(0, Qt::UserRole, f);
        items.append(item);
    }
    ui.trFields->addTopLevelItems(items);
    if (shownMessage == previousMessage && previousField >= 0)
        ui.trFields->setCurrentItem(ui.trFields->topLevelItem(previousField));
}

void Framescope::markFoundBytes()
{
    // What the last Find found in the current frame stands out in the dump, unless a field's
    // bytes are marked.
    highlighter->setMarkedBytes(session->currentFrame() == foundFrame
                                    ? foundBytes
                                    : std::vector<std::pair<int, int>>());
}

void Framescope::markFieldBytes()
{
    const QTreeWidgetItem *item = ui.trFields->currentItem();
    const std::shared_ptr<const FieldDefinitions> &definitions = session->fieldDefinitions();
    if (!item || !definitions || shownMessage < 0) {
        markFoundBytes();
        return;
    }
    shownField = item->data(0, Qt::UserRole).toInt();
    // The bytes that hold any of the field's bits.
    const PayloadField &layout = definitions->field(shownMessage, shownField).layout;
    const int first = layout.start() / 8;
    highlighter->setMarkedBytes({{first, (layout.end() - 1) / 8 - first + 1}});
}

void Framescope::showCurrentTime()
{
    const qint64 frame = session->currentFrame();
    const std::shared_ptr<const Capture> &capture = session->capture();
    if (!statusLabel || frame < 0 || !capture || frame >= session->frameCount()) {
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
    showFields(nullptr);
    if (statusLabel)
        statusLabel->setText(tr("No frame selected"));
}

} // namespace Korvex
