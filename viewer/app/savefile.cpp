// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/titlefit.h"
#include "viewer/views/generatedlg.h"
#include "core/files/framegenerator.h"
#include "core/files/trafficgenerator.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QDateTime>
#include <QFileDialog>
#include <QSettings>

namespace Korvex {

void Framescope::saveFile()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    const QString folder = settings->value(QStringLiteral("FileLoadPath"), QStringLiteral("."))
                               .toString();
    QFileDialog *dialog = ModalDialogs::chooseFile(
        this, tr("Select DigRF 3G File Name"), folder, tr("DigRf 3G files (*.drf3)"),
        QFileDialog::AcceptSave, [this](const QString &fileName) {
            auto *input = new GenerateDlg(this);
            widenToTitle(input);
            connect(input, &QDialog::accepted, this, [this, input, fileName] {
                if (!generateFrameFile(fileName, 0, input->frameCount(),
                                       input->realisticTraffic())) {
                    ModalDialogs::message(this, QMessageBox::Critical, tr("Error writing file!"),
                                          tr("Cannot write file %1!").arg(fileName));
                    return;
                }
                ModalDialogs::message(this, QMessageBox::Information,
                                      QStringLiteral("File Written"),
                                      QStringLiteral("File successfully created."));
            });
            ModalDialogs::open(input);
        });
    // The viewer reads a file as DigRF 3G by its suffix alone, so a name typed without one
    // gets it; otherwise the generated file would open as DigRF v4.
    dialog->setDefaultSuffix(QStringLiteral("drf3"));
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
