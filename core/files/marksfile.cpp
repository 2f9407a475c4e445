#include "core/files/marksfile.h"

#include "core/files/userdatafolder.h"
#include "core/files/capture.h"
#include "core/files/framemarks.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Korvex {

namespace {

// The frames whose bytes, with the tags before them, make the capture's hash.
constexpr qint64 HashedFrames = 1024;

const QByteArray Heading = QByteArrayLiteral("Framescope marks 1");

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

QByteArray contents(const Capture &capture, const FrameMarks &marks)
{
    QByteArray text = Heading + '\n' + MarksFile::identity(capture);
    for (const auto &[frame, note] : marks.all()) {
        text += "mark " + QByteArray::number(frame);
        if (!note.isEmpty())
            text += ' ' + note.toUtf8();
        text += '\n';
    }
    return text;
}

bool save(const QString &path, const QByteArray &text, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

} // namespace

QString MarksFile::besidePath(const QString &captureFile)
{
    return captureFile + QStringLiteral(".marks");
}

QString MarksFile::fallbackPath(const QString &captureFile)
{
    const QString folder = userDataFolder();
    if (folder.isEmpty())
        return QString();
    const QByteArray path = QFileInfo(captureFile).absoluteFilePath().toUtf8();
    return folder + QStringLiteral("marks/")
           + QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex())
           + QStringLiteral(".marks");
}

QByteArray MarksFile::identity(const Capture &capture)
{
    const quint64 end = capture.frameCount() > HashedFrames
                            ? capture.index().checkpoint(HashedFrames).offset
                            : capture.dataEnd();
    QByteArray bytes(qsizetype(end), Qt::Uninitialized);
    bytes.resize(capture.readAt(0, bytes.data(), bytes.size()));
    return "capture-size " + QByteArray::number(QFileInfo(capture.fileName()).size())
           + "\ncapture-hash sha256 "
           + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + '\n';
}

MarksFile::ReadResult MarksFile::read(const Capture &capture, FrameMarks *marks)
{
    marks->clear();
    ReadResult result;
    const QString beside = besidePath(capture.fileName());
    const QString fallback = fallbackPath(capture.fileName());
    // What stands beside the capture may be anything; only a file there is its marks file.
    result.path = QFileInfo(beside).isFile() ? beside : fallback;
    if (result.path.isEmpty() || !QFileInfo(result.path).isFile()) {
        result.path.clear();
        return result;
    }
    result.outcome = Outcome::Ignored;
    QFile file(result.path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.problem = tr("The marks file %1 cannot be read (%2); its marks are ignored.")
                             .arg(result.path, file.errorString());
        return result;
    }
    const QByteArray text = file.readAll();
    const QByteArray wanted = Heading + '\n' + identity(capture);
    if (!text.startsWith(wanted)) {
        // Its own heading, but another size or hash: the marks of another capture.
        const bool ours = text.startsWith(Heading + '\n');
        result.problem = ours ? tr("The marks file %1 belongs to another capture; its marks are "
                                   "ignored.")
                                    .arg(result.path)
                              : tr("The marks file %1 is damaged (line 1); its marks are ignored.")
                                    .arg(result.path);
        return result;
    }
    FrameMarks read;
    const QList<QByteArray> lines = text.mid(wanted.size()).split('\n');
    const int firstLine = int(wanted.count('\n')) + 1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() && i == lines.size() - 1)
            break;
        const qsizetype blank = line.indexOf(' ', 5);
        bool ok = false;
        const qint64 frame = line.mid(5, blank < 0 ? -1 : blank - 5).toLongLong(&ok, 10);
        if (!line.startsWith("mark ") || !ok || frame < 0) {
            result.problem = tr("The marks file %1 is damaged (line %2); its marks are ignored.")
                                 .arg(result.path)
                                 .arg(firstLine + i);
            return result;
        }
        // Marks past the frames loaded (a load cancelled early) stay unused.
        if (frame < capture.frameCount()) {
            if (blank < 0)
                read.mark(frame);
            else
                read.setNote(frame, QString::fromUtf8(line.mid(blank + 1)));
        }
    }
    *marks = read;
    result.outcome = Outcome::Read;
    return result;
}

bool MarksFile::write(const Capture &capture, const FrameMarks &marks, QString *error)
{
    const QString beside = besidePath(capture.fileName());
    const QString fallback = fallbackPath(capture.fileName());
    if (marks.isEmpty()) {
        QFile::remove(beside);
        if (!fallback.isEmpty())
            QFile::remove(fallback);
        // A file that cannot go is emptied instead, so that no old marks come back.
        if (!QFile::exists(beside) && (fallback.isEmpty() || !QFile::exists(fallback)))
            return true;
    }
    const QByteArray text = contents(capture, marks);
    QString besideError;
    if (save(beside, text, &besideError)) {
        if (!fallback.isEmpty())
            QFile::remove(fallback);
        return true;
    }
    if (fallback.isEmpty()) {
        *error = besideError;
        return false;
    }
    QDir().mkpath(QFileInfo(fallback).absolutePath());
    QString fallbackError;
    if (save(fallback, text, &fallbackError))
        return true;
    *error = tr("%1; %2").arg(besideError, fallbackError);
    return false;
}

} // namespace Korvex
