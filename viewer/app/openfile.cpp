// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/dialogs/modaldialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QSettings>

namespace Korvex {

void Framescope::openFile()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    const QString folder =
        settings->value(QStringLiteral("FileLoadPath"), QStringLiteral(".")).toString();
    ModalDialogs::chooseFile(
        this, tr("Open DigRF File"), folder,
        tr("All DigRF files (*.drf3 *.drf4);;DigRf 3G files (*.drf3);;DigRF v4 files (*.drf4)"),
        QFileDialog::AcceptOpen, [this](const QString &fileName) { loadFile(fileName); });
}

void Framescope::openRecentFile()
{
    if (const auto *action = qobject_cast<QAction *>(sender()))
        loadFile(action->text());
}

} // namespace Korvex
