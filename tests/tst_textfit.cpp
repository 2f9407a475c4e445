// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"
#include "capturefixture.h"
#include "framescopeprobe.h"
#include "testenv.h"

#include <QComboBox>
#include <QDataStream>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

#include <memory>
#include <vector>

using namespace Korvex;

namespace {

// The room a line edit has for its text: its contents less the margins it keeps around it.
int roomForText(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.features = QStyleOptionFrame::None;
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.marginsRemoved(edit->textMargins()).width() - 2 * 2;
}

// Every header the detail panel can show of a frame that loads: all DigRF 3G values, and a
// DigRF v4 frame.
std::vector<std::unique_ptr<Capture>> everyHeader()
{
    QByteArray block;
    for (int code = 0; code < 7; ++code) {
        for (int type = 0; type < 16; ++type) {
            for (int cts = 0; cts < 2; ++cts)
                block += CaptureFixture::frameOf(code, type, cts, 0);
        }
    }
    std::vector<std::unique_ptr<Capture>> captures;
    captures.push_back(CaptureFixture::load3G(block));
    captures.push_back(CaptureFixture::loadV4({0}));
    return captures;
}

} // namespace

/// Text that fits a font half as large again as the default: the header fields and labels
/// with every value in every base, the column titles, and the controls at the smallest
/// window size.
class TestTextFit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void headerHoldsItsLongestTexts_data();
    void headerHoldsItsLongestTexts();
    void smallestWindowShowsWholeTexts();

private:
    // Lays out what a font change or a resize left to do.
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest); }
    void useLargeFont() { QApplication::setFont(largeFont); }
    Ui::Framescope &ui() { return FramescopeProbe::ui(*window); }

    TestEnv env;
    QFont defaultFont;
    QFont largeFont;
    std::unique_ptr<Framescope> window;
};

void TestTextFit::initTestCase()
{
    defaultFont = QApplication::font();
    largeFont = defaultFont;
    largeFont.setPointSizeF(defaultFont.pointSizeF() * 1.5);
}

void TestTextFit::init()
{
    QApplication::setFont(defaultFont);
}

void TestTextFit::cleanup()
{
    window.reset();
    QApplication::setFont(defaultFont);
}

void TestTextFit::headerHoldsItsLongestTexts_data()
{
    QTest::addColumn<bool>("fontChangesLater");
    QTest::newRow("large font at start") << false;
    QTest::newRow("font made large while open") << true;
}

void TestTextFit::headerHoldsItsLongestTexts()
{
    QFETCH(bool, fontChangesLater);

    if (!fontChangesLater)
        useLargeFont();
    window = std::make_unique<Framescope>(QString());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    if (fontChangesLater)
        useLargeFont();
    std::vector<std::unique_ptr<Capture>> captures = everyHeader();
    FramescopeProbe::showCapture(*window, std::move(captures.front()));
    settle();

    // The column titles.
    QHeaderView *header = ui().tblFrames->horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 0; column < header->count() - 1; ++column) {
        const QString title = ui().tblFrames->model()->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(header->fontMetrics().horizontalAdvance(title) + 2 * margin
                     <= header->sectionSize(column),
                 qPrintable(title));
    }

    // Each box stands whole in the header panel, each field and label whole in its box.
    for (QWidget *box : {ui().gbPlSize, ui().gbLct, ui().gbCts}) {
        QVERIFY(ui().groupBox->rect().contains(
            QRect(box->mapTo(ui().groupBox, QPoint(0, 0)), box->size())));
        for (QWidget *child : box->findChildren<QWidget *>())
            QVERIFY2(box->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }

    for (std::unique_ptr<Capture> &capture : captures) {
    if (capture)
        FramescopeProbe::showCapture(*window, std::move(capture));
    const int rows = FramescopeProbe::model(*window)->rowCount();
    for (int base = 0; base < ui().cbBase->count(); ++base) {
        ui().cbBase->setCurrentIndex(base);
        for (int row = 0; row < rows; ++row) {
            ui().tblFrames->setCurrentIndex(FramescopeProbe::model(*window)->cellIndex(row, 0));
            for (const QLineEdit *field : {ui().edPlSize, ui().edLct, ui().edCts}) {
                // QLineEdit scrolls a text that needs more than its room less one pixel.
                QVERIFY2(field->fontMetrics().horizontalAdvance(field->text()) + 1
                             <= roomForText(field),
                         qPrintable(field->text()));
            }
            QVERIFY2(ui().lblPlSize->fontMetrics().horizontalAdvance(ui().lblPlSize->text())
                         <= ui().lblPlSize->contentsRect().width(),
                     qPrintable(ui().lblPlSize->text()));
            // The channel type may take more than one line, each inside the label.
            const QRect lines = ui().lblLct->fontMetrics().boundingRect(
                ui().lblLct->contentsRect(), Qt::AlignCenter | Qt::TextWordWrap,
                ui().lblLct->text());
            QVERIFY2(ui().lblLct->contentsRect().contains(lines), qPrintable(ui().lblLct->text()));
        }
    }
    }
}

void TestTextFit::smallestWindowShowsWholeTexts()
{
    useLargeFont();
    window = std::make_unique<Framescope>(QString());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resize(1, 1);
    settle();
    QCOMPARE(window->size(), window->minimumSize());

    const QList<QWidget *> widgets = ui().tab->findChildren<QWidget *>();
    int checked = 0;
    for (const QWidget *widget : widgets) {
        if (!widget->isVisible())
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget); label && !label->wordWrap()) {
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text())
                         <= label->contentsRect().width(),
                     qPrintable(label->text()));
            ++checked;
        } else if (qobject_cast<const QComboBox *>(widget)) {
            QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(widget->objectName()));
            ++checked;
        }
    }
    // The labels of the header and payload panels and their three combo boxes.
    QVERIFY(checked >= 15);
}

QTEST_MAIN(TestTextFit)
#include "tst_textfit.moc"
