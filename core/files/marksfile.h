// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_FILES_MARKSFILE_H
#define CORE_FILES_MARKSFILE_H

#include <QByteArray>
#include <QString>

namespace Korvex {

class Capture;
class FrameMarks;

/// Keeps a capture's marks in a small text file beside it ("CAPTURE.marks"), or, when that
/// folder cannot be written, in the user's data folder. The file names the capture's size and
/// a hash of its first frames, so that the marks of one capture are never applied to another
/// that took its name. A file beside the capture that is not its marks file (another capture's)
/// is never written over: the marks then go to the data folder too. Files are replaced whole,
/// never left half-written.
class MarksFile
{
public:
    enum class Outcome { NoFile, Read, Ignored };

    struct ReadResult
    {
        Outcome outcome = Outcome::NoFile;
        /// The file read or ignored.
        QString path;
        /// Why a file was ignored, and where this capture's marks are kept instead, as a line
        /// for the log; empty when there is nothing to say.
        QString problem;
    };

    static QString besidePath(const QString &captureFile);
    /// The file in the user's data folder; empty when there is no such folder.
    static QString fallbackPath(const QString &captureFile);

    /// Reads the marks kept for the capture into `marks` (which it empties first). A file that
    /// cannot be read, is damaged or belongs to another capture is ignored and says why; past
    /// another capture's file beside it, the data folder's file is read.
    /// Marks of frames the capture does not have are left out, unless `laterFrames` says that
    /// frames are still to come (a capture still being read).
    static ReadResult read(const Capture &capture, FrameMarks *marks, bool laterFrames = false);
    /// Writes the marks beside the capture, or in the data folder when that fails; no marks
    /// remove the files. False, with the reason, when neither place takes them.
    static bool write(const Capture &capture, const FrameMarks &marks, QString *error);

    /// What identifies the capture: its file name and a hash of its tags and first frame;
    /// empty before the first frame is read.
    static QByteArray identity(const Capture &capture);
    /// What identified the capture in earlier versions: its size and a hash of its tags and
    /// first frames, which change while the capture grows.
    static QByteArray sizedIdentity(const Capture &capture);
};

} // namespace Korvex

#endif // CORE_FILES_MARKSFILE_H
