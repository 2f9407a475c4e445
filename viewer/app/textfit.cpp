// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/frames/framerecord.h"
#include "core/text/framedetail.h"

#include <QDataStream>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace Korvex {

namespace {

/// Every text that one header field or label of the detail panel can show.
struct HeaderTexts
{
    QStringList payloadSize;
    QStringList channelType;
    QStringList cts;
    QStringList payloadSizeLabel;
    QStringList channelTypeLabel;
};

HeaderTexts everyHeaderText()
{
    QList<FrameRecord> records;
    for (quint8 code = 0; code < 8; ++code) {
        for (quint8 type = 0; type < 16; ++type) {
            for (quint8 cts = 0; cts < 2; ++cts) {
                FrameRecord record;
                record.setPayloadSizeCode(code);
                record.setChannelType(type);
                record.setCtsBit(cts);
                records << record;
            }
        }
    }
    // A DigRF v4 frame, whose header is not decoded.
    QByteArray frame(8, '\0');
    QDataStream in(frame);
    records << FrameRecord(1, in);

    HeaderTexts texts;
    for (const FrameRecord &record : std::as_const(records)) {
        for (const int base : {2, 8, 10, 16}) {
            texts.payloadSize << FrameDetail::payloadSizeField(record, base);
            texts.channelType << FrameDetail::channelTypeField(record, base);
            texts.cts << FrameDetail::ctsField(record, base);
        }
        texts.payloadSizeLabel << FrameDetail::payloadSizeLabel(record);
        texts.channelTypeLabel << FrameDetail::channelTypeLabel(record);
    }
    return texts;
}

int widestText(const QFontMetrics &metrics, const QStringList &texts)
{
    int widest = 0;
    for (const QString &text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest;
}

int widestWord(const QFontMetrics &metrics, const QStringList &texts)
{
    int widest = 0;
    for (const QString &text : texts) {
        const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        widest = std::max(widest, widestText(metrics, words));
    }
    return widest;
}

// The height of the tallest text when each is broken into lines of the given width.
int wrappedHeight(const QFontMetrics &metrics, const QStringList &texts, int width)
{
    int tallest = 0;
    for (const QString &text : texts) {
        const QRect bounds = metrics.boundingRect(QRect(0, 0, width, QWIDGETSIZE_MAX),
                                                  Qt::AlignCenter | Qt::TextWordWrap, text);
        tallest = std::max(tallest, bounds.height());
    }
    return tallest;
}

// The width a line edit needs to show text of the given width without scrolling it: the
// arithmetic of QLineEdit's own size hint, with the text in place of its seventeen x's.
int lineEditWidth(const QLineEdit *edit, int textWidth)
{
    // QLineEdit keeps this margin on either side of its text, and one pixel for the cursor.
    const int lineEditMargin = 2;
    const QMargins text = edit->textMargins();
    const QMargins contents = edit->contentsMargins();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (edit->isReadOnly())
        option.state |= QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    const QSize inner(textWidth + 1 + 2 * lineEditMargin + text.left() + text.right()
                          + contents.left() + contents.right(),
                      edit->sizeHint().height());
    return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, edit).width();
}

// A layout caches the sizes of the layouts nested in it until it is next activated, which
// happens only once the event loop runs; measuring at once needs every level marked as stale.
void invalidateAll(QLayout *layout)
{
    layout->invalidate();
    for (int i = 0; i < layout->count(); ++i) {
        if (QLayout *nested = layout->itemAt(i)->layout())
            invalidateAll(nested);
    }
}

// The smallest size in which a widget's layout shows all it holds at their minimum sizes.
QSize layoutMinimum(QWidget *widget)
{
    invalidateAll(widget->layout());
    return widget->layout()->totalMinimumSize();
}

} // namespace

void Framescope::fitTextToFont()
{
    // Fonts, style sheets and the sizes they give are settled once the widgets are polished.
    ensurePolished();
    const HeaderTexts texts = everyHeaderText();
    // The CTS box has no value label; its empty one is sized for nothing.
    const QStringList none;
    const struct
    {
        QGroupBox *box;
        QLineEdit *field;
        const QStringList &fieldTexts;
        QLabel *label;
        const QStringList &labelTexts;
        bool wraps;
    } boxes[] = {
        {ui.gbPlSize, ui.edPlSize, texts.payloadSize, ui.lblPlSize, texts.payloadSizeLabel, false},
        // On one line the longest channel type would widen the header panel by a third and
        // crowd the payload controls out of the window's width; it takes two lines instead.
        {ui.gbLct, ui.edLct, texts.channelType, ui.lblLct, texts.channelTypeLabel, true},
        {ui.gbCts, ui.edCts, texts.cts, ui.label_7, none, false},
    };
    // The boxes keep the form's sizes, and so its proportions, wherever the font fits them;
    // where it does not, a box grows just enough for its widest text.
    int height = 0;
    for (const auto &entry : boxes) {
        if (!formSizes.contains(entry.box))
            formSizes.insert(entry.box, entry.box->minimumSize());
        entry.field->setMinimumWidth(
            lineEditWidth(entry.field, widestText(entry.field->fontMetrics(), entry.fieldTexts)));
        const QFontMetrics metrics = entry.label->fontMetrics();
        entry.label->setWordWrap(entry.wraps);
        // Height a box gains goes below its field, as it does in the PL Size box.
        QSizePolicy policy = entry.label->sizePolicy();
        policy.setVerticalStretch(std::max(1, policy.verticalStretch()));
        entry.label->setSizePolicy(policy);
        if (entry.wraps) {
            const QMargins chrome = entry.box->contentsMargins()
                                    + entry.box->layout()->contentsMargins();
            const int width = std::max({formSizes.value(entry.box).width() - chrome.left()
                                            - chrome.right(),
                                        widestWord(metrics, entry.labelTexts),
                                        entry.field->minimumWidth()});
            entry.label->setMinimumSize(width, wrappedHeight(metrics, entry.labelTexts, width));
        } else {
            entry.label->setMinimumWidth(widestText(metrics, entry.labelTexts));
        }
        const QSize minimum = layoutMinimum(entry.box);
        height = std::max(height, minimum.height());
        entry.box->setFixedWidth(std::max(formSizes.value(entry.box).width(), minimum.width()));
    }
    // The three boxes stand side by side at one height, as in the form.
    for (const auto &entry : boxes)
        entry.box->setFixedHeight(std::max(formSizes.value(entry.box).height(), height));
    // The header panel's layout holds the size its inner panel had before the boxes grew.
    invalidateAll(ui.pnHeader->layout());
    ui.pnHeader->updateGeometry();
    if (!formSizes.contains(ui.groupBox))
        formSizes.insert(ui.groupBox, ui.groupBox->minimumSize());
    ui.groupBox->setFixedSize(formSizes.value(ui.groupBox).expandedTo(layoutMinimum(ui.groupBox)));

    // A combo box lets a narrow window squeeze it below its text; these keep their entries
    // whole and the window's minimum width grows instead. Their size follows their entries
    // from the start: by default it would only once they have been shown.
    for (QComboBox *box : {ui.cbBase, ui.cbBytesPerColumn, ui.cbByteOrder}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setMinimumWidth(box->sizeHint().width());
    }
    fitColumnTitles();
}

void Framescope::fitColumnTitles()
{
    // Only the titles are measured: sizing to the rows would read every frame.
    QHeaderView *header = ui.tblFrames->horizontalHeader();
    for (int column = 0; column < header->count(); ++column)
        header->resizeSection(column,
                              std::max(header->sectionSize(column), header->sectionSizeHint(column)));
}

void Framescope::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // The form is complete once the status label exists.
    if (statusLabel && (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange))
        fitTextToFont();
}

} // namespace Korvex
