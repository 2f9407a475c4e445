// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/colors/defaultcolorfiles.h"

#include "core/colors/colorfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Korvex {

QByteArray DefaultColorFiles::contents(int protocolVersion)
{
    QFile file(QStringLiteral(":/colors/") + ColorFile::fileName(protocolVersion, true));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList DefaultColorFiles::writeMissing(const QString &folder)
{
    QStringList written;
    bool haveFolder = false;
    for (const int version : {0, 1}) {
        for (const bool defaults : {true, false}) {
            const QString name = ColorFile::fileName(version, defaults);
            const QFileInfo file(folder + name);
            // A link that leads nowhere is the user's doing too: not replaced.
            if (file.exists() || file.isSymLink())
                continue;
            haveFolder = haveFolder || QDir().mkpath(folder);
            const ColorFile::Table shipped = ColorFile::parse(contents(version));
            if (haveFolder && ColorFile::write(file.filePath(), shipped))
                written.append(name);
        }
    }
    return written;
}

} // namespace Korvex
