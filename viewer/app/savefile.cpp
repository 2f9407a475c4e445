#include "viewer/app/framescope.h"

#include "viewer/app/titlefit.h"
#include "core/files/framegenerator.h"

#include <QDateTime>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>

namespace Korvex {

void Framescope::saveFile()
{
    const QString folder = settings->value(QStringLiteral("FileLoadPath"), QStringLiteral("."))
                               .toString();
    // The viewer reads a file as DigRF 3G by its suffix alone, so a name typed without one
    // gets it; otherwise the generated file would open as DigRF v4.
    QFileDialog dialog(this, tr("Select DigRF 3G File Name"), folder,
                       tr("DigRf 3G files (*.drf3)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("drf3"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();

    // The spin box refuses a digit that would leave its range without a word: the label says
    // what it takes. The static QInputDialog::getDouble() would size the dialog to its controls
    // alone, which cuts its title short.
    constexpr int MinFrames = 1;
    constexpr int MaxFrames = 10000;
    QInputDialog input(this);
    input.setWindowTitle(tr("Generate DigRF 3G File"));
    input.setLabelText(tr("Number of frames (%1 \u2013 %2):").arg(MinFrames).arg(MaxFrames));
    input.setInputMode(QInputDialog::DoubleInput);
    input.setDoubleDecimals(0);
    input.setDoubleRange(MinFrames, MaxFrames);
    input.setDoubleValue(10);
    widenToTitle(&input);
    if (input.exec() != QDialog::Accepted)
        return;
    const double count = input.doubleValue();

    if (!generateFrameFile(fileName, 0, int(count))) {
        QMessageBox::critical(this, tr("Error writing file!"),
                              tr("Cannot write file %1!").arg(fileName));
        return;
    }
    QMessageBox::information(this, QStringLiteral("File Written"),
                             QStringLiteral("File successfully created."), QMessageBox::Ok);
}

bool Framescope::generateFrameFile(const QString &fileName, int protocolVersion, int frameCount)
{
    // Only DigRF 3G frames can be generated.
    if (protocolVersion != 0)
        return false;
    const auto seed = quint32(QDateTime::currentSecsSinceEpoch());
    return FrameGenerator::writeFile(fileName, seed, frameCount, QDateTime::currentDateTime());
}

} // namespace Korvex
