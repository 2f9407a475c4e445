// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/capturefile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace Korvex {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

} // namespace

int protocolVersionOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower() == QLatin1String("drf3") ? 0 : 1;
}

QString protocolVersionLogText(int protocolVersion)
{
    return tr("Set DigRF Version to %1")
        .arg(protocolVersion == 0 ? QStringLiteral("3G") : QStringLiteral("v4"));
}

QString cannotOpenLogText(const QString &fileName)
{
    return tr("Cannot open file %1").arg(fileName);
}

QString openedLogText(const QString &fileName)
{
    return tr("Open file %1: success").arg(fileName);
}

} // namespace Korvex
