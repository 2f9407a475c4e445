// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef CORE_SESSION_CAPTURESESSION_H
#define CORE_SESSION_CAPTURESESSION_H

#include "core/fields/fieldcolumns.h"
#include "core/files/framemarks.h"
#include "core/filters/filterexpression.h"
#include "core/filters/framerows.h"
#include "core/tasks/taskrunner.h"
#include "core/text/timecolumn.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace Korvex {

class Capture;
class FieldDefinitions;

/// What is on display: the capture, the frames shown (the display filter's result and the
/// filter text in force), the marks, the time column's mode and reference, the current frame,
/// and the field definitions payloads are decoded with, with the columns of decoded fields. The table, the overview strip, the detail panel and the tool windows read these from
/// here and follow the signals, so no view keeps a copy that could disagree. Every change is
/// made whole before it is announced. Knows no widget.
class CaptureSession : public QObject
{
    Q_OBJECT

public:
    explicit CaptureSession(QObject *parent = nullptr);
    ~CaptureSession() override;

    /// The capture on display, or nullptr. Shared: a pass on another thread may keep it alive
    /// after the session let go of it.
    const std::shared_ptr<const Capture> &capture() const { return m_capture; }
    /// The capture's frames the session has taken, shown or not; 0 without a capture. A capture
    /// still being read (or followed while its file grows) may have published more: they join
    /// with takeNewFrames().
    qint64 frameCount() const { return m_rows.total(); }
    /// The capture's protocol version; 0 without a capture.
    int protocolVersion() const;

    /// The frames shown, in order.
    const FrameRows &rows() const { return m_rows; }
    /// The display filter that chose the rows; empty when every frame is shown.
    const QString &filterText() const { return m_filterText; }
    const FrameMarks &marks() const { return m_marks; }
    /// The time column over the capture: its mode and its reference frame.
    const TimeColumn &timeColumn() const { return m_time; }
    TimeMode timeMode() const { return m_time.mode(); }
    /// The frame "time since the reference frame" counts from, or -1.
    qint64 timeReference() const { return m_time.reference(); }
    /// The frame the detail panel shows and the table's current row holds: a shown frame, or
    /// -1 for none.
    qint64 currentFrame() const { return m_current; }

    /// The field definitions frames are decoded with, or nullptr. Shared, as the capture is.
    const std::shared_ptr<const FieldDefinitions> &fieldDefinitions() const
    {
        return m_definitions;
    }
    /// The file the definitions were read from; empty without definitions.
    const QString &fieldDefinitionsFile() const { return m_definitionsFile; }
    /// The columns of decoded fields the table shows after its own, of the definitions in force.
    const FieldColumns &fieldColumns() const { return m_fieldColumns; }

    /// The one runner of the long passes over what is on display (load, filter, Find, export,
    /// print, statistics, charts): their work runs on worker threads, their results arrive in
    /// the session's thread.
    TaskRunner &tasks() { return m_tasks; }

    /// Puts a capture (or none) on display: every frame shown, the marks kept for it read, no
    /// time reference and no current frame; the time mode stays. The marks are not read for
    /// an aborted load. Announced by captureChanged() alone, which stands for every other
    /// fact changing too.
    void setCapture(std::shared_ptr<const Capture> capture);
    /// Shows these rows, chosen by the filter text (empty for all frames). The current frame
    /// stays when it is shown; otherwise the nearest shown frame becomes current, or the first
    /// when there was none. Rows of more frames than the capture published are refused
    /// (false); without a capture any rows are taken, shown without texts. Rows of more frames
    /// than the session took take the others too (announced by framesAdded() after
    /// rowsChanged()); rows of fewer (a pass that began before frames joined) are followed by
    /// the filter's answer for the frames taken since, as new frames are.
    bool setRows(const FrameRows &rows, const QString &filterText);
    /// Shows every frame again.
    void clearFilter();
    /// Takes the frames the capture's index published since the session last looked (a load
    /// still running, or a file followed as it grows): they join the rows, then framesAdded()
    /// announces them. The marks, the time reference and the current frame stay. Under a
    /// display filter only the new frames are filtered: at once when the index answers the
    /// filter, else on the task runner, the frames joining when the answer arrives (frames
    /// published meanwhile are taken by the step after it). A new capture or other rows drop
    /// the answer of a step still running. The marks of a capture put on display before it had
    /// frames are read when its first frames join.
    void takeNewFrames();
    /// Whether frames are being filtered before they join.
    bool isTakingFrames() const { return m_tasks.isRunning(GrowthKind); }
    /// Whether the capture is read to its end: false while it is loaded or followed, so that a
    /// pass over the frames taken covers part of it.
    bool isCaptureComplete() const;

    /// "Over the 1,234,567 frames read so far.": what a pass over that many frames of a capture
    /// still being read says of itself.
    static QString framesReadSoFar(qint64 frames);
    /// Whether passes over the frames taken cover part of what is read: the load still runs, or
    /// frames read wait to join. Frames a followed file may gain later do not count.
    bool isStillReading() const;
    /// framesReadSoFar() of the frames taken while isStillReading(), else empty.
    QString passNote() const;

    /// The task runner's kind of the steps that filter new frames.
    static const QString GrowthKind;
    /// Makes a shown frame current, or none (-1); false for a frame that is not shown.
    bool setCurrentFrame(qint64 frame);

    void setTimeMode(TimeMode mode);
    /// A frame of the capture, or -1 for none.
    void setTimeReference(qint64 frame);

    /// Marks the frames, or unmarks them when all of them are marked. Every change of the
    /// marks is kept for the next time the capture is opened.
    void toggleMarks(const std::vector<qint64> &frames);
    /// Gives a frame a note, marking it.
    void setMarkNote(qint64 frame, const QString &note);
    void unmarkAll();

    /// Decodes payloads with these definitions (or none), read from `fileName`, the table
    /// showing the columns given of them. Announced by fieldDefinitionsChanged() alone, which
    /// stands for the columns changing too. The capture and what is shown of it stay.
    void setFieldDefinitions(std::shared_ptr<const FieldDefinitions> definitions,
                             const QString &fileName,
                             std::vector<FieldColumns::Column> columns = {});
    /// Other columns of the definitions in force; none without definitions.
    void setFieldColumns(std::vector<FieldColumns::Column> columns);

signals:
    /// Another capture, or none: the rows, marks, time reference and current frame start anew.
    void captureChanged();
    /// The rows shown (and the filter text) changed.
    void rowsChanged();
    /// The capture's frames [from, to) joined what the session shows; the rows grew by those
    /// of them that are shown.
    void framesAdded(qint64 from, qint64 to);
    void marksChanged();
    /// The time mode or the time reference changed.
    void timeChanged();
    void currentFrameChanged(qint64 frame);
    /// A line for the log about the new capture's marks file: why it was not used, or where
    /// the capture's marks are kept instead of beside it.
    void marksFileNote(const QString &line);
    /// Other field definitions, or none, and with them other field columns.
    void fieldDefinitionsChanged();
    /// Other field columns of the same definitions.
    void fieldColumnsChanged();
    /// The marks could not be written anywhere.
    void marksNotKept(const QString &error);

private:
    /// Keeps the marks and announces them.
    void marksEdited();
    /// Frames from frameCount() to `to` - 1 join the rows, those set in `news` (laid out from
    /// frame `first`) under a filter, and are announced.
    void join(qint64 to, const quint64 *news, qint64 first);
    /// The filter's answer for the frames from frameCount() to `to` - 1, laid out from the
    /// checkpoint at or before frameCount(); on this thread.
    std::vector<quint64> newFrameBits(qint64 to) const;

    TaskRunner m_tasks;
    std::shared_ptr<const Capture> m_capture;
    FrameRows m_rows;
    QString m_filterText;
    /// The filter in force, as parsed from its text.
    FilterExpression m_filter;
    /// Counts the captures and rows shown, so that a step's answer for other ones is dropped.
    quint64 m_generation = 0;
    /// Whether the marks were read for the capture.
    bool m_marksRead = false;
    FrameMarks m_marks;
    TimeColumn m_time;
    qint64 m_current = -1;
    std::shared_ptr<const FieldDefinitions> m_definitions;
    QString m_definitionsFile;
    FieldColumns m_fieldColumns;
};

} // namespace Korvex

#endif // CORE_SESSION_CAPTURESESSION_H
