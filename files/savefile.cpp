#include "app/framescope.h"

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

    bool ok = false;
    const double count = QInputDialog::getDouble(this, tr("Generate DigRF 3G File"),
                                                 tr("Number of frames:"), 10, 1, 10000, 0, &ok);
    if (!ok)
        return;

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
