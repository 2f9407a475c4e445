// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_OUTPUTFILE_H
#define CORE_FILES_OUTPUTFILE_H

#include <QIODevice>
#include <QString>

#include <memory>

QT_BEGIN_NAMESPACE
class QFileDevice;
QT_END_NAMESPACE

namespace Korvex {

/// A file the program saves (an export, marks, colours, a printout, a generated capture),
/// written so that nothing that stands at its name is lost. A new file, or a regular one, is
/// written beside its final name and takes that name only once complete: a failed or cancelled
/// save leaves the old file as it was. A character device, FIFO or socket is written in place,
/// since renaming a file over it would replace it.
class OutputFile
{
public:
    explicit OutputFile(const QString &fileName);
    /// An open descriptor, such as standard output: written in place and left open.
    explicit OutputFile(int descriptor);
    /// Drops what was written unless commit() put it in place.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    /// Whether writing here would overwrite the file `input` (the same device and inode,
    /// however either is named).
    bool overwrites(const QString &input) const;
    /// Whether it is written in place: it cannot be taken back, and nothing is renamed.
    bool inPlace() const { return m_inPlace; }

    bool open(QIODevice::OpenMode mode = QIODevice::WriteOnly);
    /// What to write to, from open() until commit() or cancel().
    QIODevice &device();
    /// Writes out what is still buffered and puts the file in place. False, with the reason in
    /// errorString(), when that fails; nothing new is left behind then.
    bool commit();
    /// Drops what was written; a file written in place keeps what has reached it.
    void cancel();
    /// Why opening, writing or committing failed.
    QString errorString() const;

private:
    QString m_fileName;
    int m_descriptor = -1;
    bool m_inPlace = true;
    std::unique_ptr<QFileDevice> m_file;
    QString m_error;
};

} // namespace Korvex

#endif // CORE_FILES_OUTPUTFILE_H
