#include "app/framescope.h"

#include "app/titlefit.h"
#include "files/framegenerator.h"

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
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Select DigRF 3G File Name"),
                                                          folder, tr("DigRf 3G files (*.drf3)"));
    if (fileName.isEmpty())
        return;

    // The static QInputDialog::getDouble() would size the dialog to its controls alone,
    // which cuts its title short.
    QInputDialog input(this);
    input.setWindowTitle(tr("Generate DigRF 3G File"));
    input.setLabelText(tr("Number of frames:"));
    input.setInputMode(QInputDialog::DoubleInput);
    input.setDoubleDecimals(0);
    input.setDoubleRange(1, 10000);
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
