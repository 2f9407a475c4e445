// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef TESTS_TESTENV_H
#define TESTS_TESTENV_H

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

/// Points the per-user data and configuration folders at a temporary folder, so that tests
/// never touch a real home, and gives the data folder the default colour files the way an
/// installation does. Call before the first QSettings or colour file is used.
class TestEnv
{
public:
    explicit TestEnv(bool withColors = true)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        QDir().mkpath(m_home.filePath(QStringLiteral("config")));
        if (withColors)
            installColors();
    }

    /// The folder the program keeps its colour files in, ending in "/".
    QString dataFolder() const { return m_home.filePath(QStringLiteral("data/Kestrant/Framescope/")); }
    QString path(const QString &name) const { return m_home.filePath(name); }

    /// Copies the shipped defaults into the data folder, as .def and as working .lst copies.
    void installColors() const
    {
        QDir().mkpath(dataFolder());
        for (const char *base : {"colors3G", "colorsV4"}) {
            const QString source = QStringLiteral(FRAMESCOPE_SOURCE_DIR "/core/colors/%1.def").arg(QLatin1String(base));
            for (const char *suffix : {".def", ".lst"}) {
                const QString target = dataFolder() + QLatin1String(base) + QLatin1String(suffix);
                QFile::remove(target);
                QFile::copy(source, target);
                QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            }
        }
    }

private:
    QTemporaryDir m_home;
};

#endif // TESTS_TESTENV_H
