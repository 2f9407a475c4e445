// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/userdatafolder.h"

#include <QStandardPaths>

namespace Korvex {

QString userDataFolder()
{
    // Asked afresh on every call: the lookup is cheap and then follows the environment.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return QString();
    return base + QStringLiteral("/Kestrant/Framescope/");
}

} // namespace Korvex
