// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace Korvex {

OutputFile::OutputFile(const QString &fileName)
    : m_fileName(fileName)
{
    // A folder goes to QSaveFile too, which refuses it with its own reason.
    const QFileInfo info(fileName);
    m_inPlace = info.exists() && !info.isFile() && !info.isDir();
    if (m_inPlace)
        m_file = std::make_unique<QFile>(fileName);
    else
        m_file = std::make_unique<QSaveFile>(fileName);
}

OutputFile::OutputFile(int descriptor)
    : m_descriptor(descriptor)
    , m_file(std::make_unique<QFile>())
{
}

OutputFile::~OutputFile()
{
    cancel();
}

bool OutputFile::overwrites(const QString &input) const
{
#ifdef Q_OS_UNIX
    struct stat target {};
    struct stat source {};
    const bool found = m_descriptor >= 0
                           ? ::fstat(m_descriptor, &target) == 0
                           : ::stat(QFile::encodeName(m_fileName).constData(), &target) == 0;
    return found && ::stat(QFile::encodeName(input).constData(), &source) == 0
           && target.st_dev == source.st_dev && target.st_ino == source.st_ino;
#else
    const QString target = QFileInfo(m_fileName).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(input).canonicalFilePath();
#endif
}

bool OutputFile::open(QIODevice::OpenMode mode)
{
    const bool opened = m_descriptor >= 0
                            ? static_cast<QFile &>(*m_file).open(m_descriptor, mode,
                                                                 QFileDevice::DontCloseHandle)
                            : m_file->open(mode);
    if (!opened)
        m_error = m_file->errorString();
    return opened;
}

QIODevice &OutputFile::device()
{
    return *m_file;
}

bool OutputFile::commit()
{
    if (!m_file || !m_file->isOpen())
        return false;
    // The last bytes may still sit in the buffer, and QSaveFile::commit() does not notice when
    // writing them out fails: it would put a cut copy in place.
    bool written = m_file->flush();
    if (written && !m_inPlace)
        written = static_cast<QSaveFile &>(*m_file).commit();
    if (!written) {
        m_error = m_file->errorString();
        cancel();
        return false;
    }
    m_file.reset();
    return true;
}

QString OutputFile::errorString() const
{
    return m_error.isEmpty() && m_file ? m_file->errorString() : m_error;
}

void OutputFile::cancel()
{
    if (!m_file)
        return;
    // QSaveFile removes its unfinished copy when it goes (it may not be closed).
    if (!m_inPlace)
        static_cast<QSaveFile &>(*m_file).cancelWriting();
    m_file.reset();
}

} // namespace Korvex
