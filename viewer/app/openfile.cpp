// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include <QAction>
#include <QFileDialog>
#include <QSettings>

namespace Korvex {

void Framescope::openFile()
{
    const QString folder =
        settings->value(QStringLiteral("FileLoadPath"), QStringLiteral(".")).toString();
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open DigRF File"), folder,
        tr("All DigRF files (*.drf3 *.drf4);;DigRf 3G files (*.drf3);;DigRF v4 files (*.drf4)"));
    if (!fileName.isEmpty())
        loadFile(fileName);
}

void Framescope::openRecentFile()
{
    if (const auto *action = qobject_cast<QAction *>(sender()))
        loadFile(action->text());
}

} // namespace Korvex
