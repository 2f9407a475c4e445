// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/files/marksfile.h"

#include "core/files/userdatafolder.h"
#include "core/files/capture.h"
#include "core/files/framemarks.h"
#include "core/files/outputfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace Korvex {

namespace {

// The frames whose bytes, with the tags before them, make the capture's hash.
constexpr qint64 HashedFrames = 1024;

const QByteArray Heading = QByteArrayLiteral("Framescope marks 1");

QString tr(const char *text)
{
    return QCoreApplication::translate("Framescope", text);
}

QByteArray contents(const QByteArray &head, const FrameMarks &marks)
{
    QByteArray text = head;
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
    OutputFile file(path);
    if (file.open() && file.device().write(text) == text.size() && file.commit())
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
    if (capture.frameCount() == 0)
        return QByteArray();
    const quint64 end = capture.index().checkpoint(0).offset + quint64(capture.index().frameBytes(0));
    QByteArray bytes(qsizetype(end), Qt::Uninitialized);
    bytes.resize(qMax<qint64>(0, capture.readAt(0, bytes.data(), bytes.size())));
    return "capture-name " + QFileInfo(capture.fileName()).fileName().toUtf8()
           + "\ncapture-start sha256 "
           + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + '\n';
}

QByteArray MarksFile::sizedIdentity(const Capture &capture)
{
    const quint64 end = capture.frameCount() > HashedFrames
                            ? capture.index().checkpoint(HashedFrames).offset
                            : capture.dataEnd();
    QByteArray bytes(qsizetype(end), Qt::Uninitialized);
    bytes.resize(qMax<qint64>(0, capture.readAt(0, bytes.data(), bytes.size())));
    return "capture-size " + QByteArray::number(QFileInfo(capture.fileName()).size())
           + "\ncapture-hash sha256 "
           + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex() + '\n';
}

namespace {

/// The beginnings of the capture's marks files: the one written now, then the earlier one.
QList<QByteArray> headsOf(const Capture &capture)
{
    return {Heading + '\n' + MarksFile::identity(capture),
            Heading + '\n' + MarksFile::sizedIdentity(capture)};
}

/// Whether the file at `path` is a marks file of the capture whose marks files start with one
/// of `heads`.
bool holds(const QString &path, const QList<QByteArray> &heads)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(heads.at(0).size() + heads.at(1).size());
    return std::any_of(heads.begin(), heads.end(),
                       [&start](const QByteArray &head) { return start.startsWith(head); });
}

/// Reads one marks file into `marks`.
MarksFile::ReadResult readFile(const QString &path, const QList<QByteArray> &heads, qint64 frames,
                               FrameMarks *marks)
{
    MarksFile::ReadResult result{MarksFile::Outcome::Ignored, path, QString()};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.problem = tr("The marks file %1 cannot be read (%2); its marks are ignored.")
                             .arg(path, file.errorString());
        return result;
    }
    const QByteArray text = file.readAll();
    const auto found = std::find_if(heads.begin(), heads.end(),
                                    [&text](const QByteArray &head) { return text.startsWith(head); });
    if (found == heads.end()) {
        // Its own heading, but another size or hash: the marks of another capture.
        const bool ours = text.startsWith(Heading + '\n');
        result.problem = ours ? tr("The marks file %1 belongs to another capture; its marks are "
                                   "ignored.")
                                    .arg(path)
                              : tr("The marks file %1 is damaged (line 1); its marks are ignored.")
                                    .arg(path);
        return result;
    }
    const QByteArray &head = *found;
    FrameMarks read;
    const QList<QByteArray> lines = text.mid(head.size()).split('\n');
    const int firstLine = int(head.count('\n')) + 1;
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
                                 .arg(path)
                                 .arg(firstLine + i);
            return result;
        }
        // Marks past the frames loaded (a load cancelled early) stay unused.
        if (frame < frames) {
            if (blank < 0)
                read.mark(frame);
            else
                read.setNote(frame, QString::fromUtf8(line.mid(blank + 1)));
        }
    }
    *marks = read;
    result.outcome = MarksFile::Outcome::Read;
    return result;
}

} // namespace

MarksFile::ReadResult MarksFile::read(const Capture &capture, FrameMarks *marks, bool laterFrames)
{
    const qint64 frames = laterFrames ? Capture::NoFrameLimit : capture.frameCount();
    marks->clear();
    // A capture without frames has nothing to know it by, nor anything to mark.
    if (capture.frameCount() == 0)
        return ReadResult();
    const QList<QByteArray> heads = headsOf(capture);
    const QString beside = besidePath(capture.fileName());
    const QString fallback = fallbackPath(capture.fileName());
    ReadResult result;
    // What stands beside the capture may be anything; only a file there is its marks file.
    if (QFileInfo(beside).isFile()) {
        result = readFile(beside, heads, frames, marks);
        if (result.outcome == Outcome::Read || holds(beside, heads) || fallback.isEmpty())
            return result;
        // Another capture's file is left alone: this capture's marks go to the data folder.
        result.problem += QLatin1Char(' ')
                          + tr("The marks of this capture are kept in %1.").arg(fallback);
    }
    if (fallback.isEmpty() || !QFileInfo(fallback).isFile())
        return result;
    ReadResult kept = readFile(fallback, heads, frames, marks);
    if (!result.problem.isEmpty())
        kept.problem = (result.problem + QLatin1Char(' ') + kept.problem).trimmed();
    return kept;
}

bool MarksFile::write(const Capture &capture, const FrameMarks &marks, QString *error)
{
    if (capture.frameCount() == 0)
        return true;
    const QList<QByteArray> heads = headsOf(capture);
    const QString beside = besidePath(capture.fileName());
    const QString fallback = fallbackPath(capture.fileName());
    // A file beside the capture that is not its marks file (another capture's, or no marks
    // file at all) is never written over.
    const bool besideOurs = !QFileInfo::exists(beside) || holds(beside, heads);
    if (marks.isEmpty()) {
        if (besideOurs)
            QFile::remove(beside);
        if (!fallback.isEmpty())
            QFile::remove(fallback);
        // A file that cannot go is emptied instead, so that no old marks come back.
        if ((!besideOurs || !QFile::exists(beside))
            && (fallback.isEmpty() || !QFile::exists(fallback)))
            return true;
    }
    const QByteArray text = contents(heads.at(0), marks);
    QString besideError = tr("%1 is not the marks file of this capture").arg(beside);
    if (besideOurs && save(beside, text, &besideError)) {
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
