// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/titlefit.h"
#include "viewer/views/generatedlg.h"
#include "core/files/framegenerator.h"
#include "core/files/trafficgenerator.h"

#include <QDateTime>
#include <QFileDialog>
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

    GenerateDlg input(this);
    widenToTitle(&input);
    if (input.exec() != QDialog::Accepted)
        return;

    if (!generateFrameFile(fileName, 0, input.frameCount(), input.realisticTraffic())) {
        QMessageBox::critical(this, tr("Error writing file!"),
                              tr("Cannot write file %1!").arg(fileName));
        return;
    }
    QMessageBox::information(this, QStringLiteral("File Written"),
                             QStringLiteral("File successfully created."), QMessageBox::Ok);
}

bool Framescope::generateFrameFile(const QString &fileName, int protocolVersion, int frameCount,
                                   bool traffic)
{
    // Only DigRF 3G frames can be generated.
    if (protocolVersion != 0)
        return false;
    const auto seed = quint32(QDateTime::currentSecsSinceEpoch());
    const QDateTime now = QDateTime::currentDateTime();
    return traffic ? TrafficGenerator::writeFile(fileName, seed, frameCount, now)
                   : FrameGenerator::writeFile(fileName, seed, frameCount, now);
}

} // namespace Korvex
