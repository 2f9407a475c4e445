// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/session/capturesession.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/files/marksfile.h"

#include <algorithm>

namespace Korvex {

namespace {

// The columns that name a message and field of the definitions (or the Message column), in
// order: a column of other definitions would read bits that are not there.
FieldColumns columnsOf(const std::shared_ptr<const FieldDefinitions> &definitions,
                       std::vector<FieldColumns::Column> columns)
{
    if (!definitions)
        return FieldColumns();
    const auto foreign = [&definitions](const FieldColumns::Column &c) {
        if (c.message < 0)
            return c.field >= 0;
        return c.message >= definitions->messageCount() || c.field < 0
               || c.field >= int(definitions->message(c.message).fields.size());
    };
    columns.erase(std::remove_if(columns.begin(), columns.end(), foreign), columns.end());
    return FieldColumns(definitions, std::move(columns));
}

} // namespace

CaptureSession::CaptureSession(QObject *parent)
    : QObject(parent)
{
}

CaptureSession::~CaptureSession() = default;

int CaptureSession::protocolVersion() const
{
    return m_capture ? m_capture->protocolVersion() : 0;
}

void CaptureSession::setCapture(std::shared_ptr<const Capture> capture)
{
    // The time column lets go of the old capture before the session does.
    m_time.setCapture(capture.get());
    m_capture = std::move(capture);
    m_rows = FrameRows(m_capture ? m_capture->frameCount() : 0);
    m_filterText.clear();
    m_current = -1;
    const QString problem = readMarksFile();
    emit captureChanged();
    if (!problem.isEmpty())
        emit marksFileNote(problem);
}

void CaptureSession::readMarks()
{
    const QString problem = readMarksFile();
    emit marksChanged();
    if (!problem.isEmpty())
        emit marksFileNote(problem);
}

QString CaptureSession::readMarksFile()
{
    m_marks.clear();
    MarksFile::ReadResult read;
    if (m_capture && m_capture->status() != Capture::Status::Aborted && frameCount() > 0)
        read = MarksFile::read(*m_capture, &m_marks);
    return read.problem;
}

bool CaptureSession::setRows(const FrameRows &rows, const QString &filterText)
{
    if (m_capture && rows.total() != frameCount())
        return false;
    const qint64 previous = m_current;
    m_rows = rows;
    m_filterText = rows.isFiltered() ? filterText : QString();
    m_current = m_rows.frameAt(m_rows.nearestRow(qMax<qint64>(0, previous)));
    emit rowsChanged();
    if (m_current != previous)
        emit currentFrameChanged(m_current);
    return true;
}

void CaptureSession::clearFilter()
{
    if (m_rows.isFiltered())
        setRows(FrameRows(m_rows.total()), QString());
}

void CaptureSession::takeNewFrames()
{
    const qint64 from = frameCount();
    const qint64 to = m_capture ? m_capture->frameCount() : 0;
    if (to <= from)
        return;
    // TODO: a filtered display keeps its rows until the new frames are filtered.
    if (!m_rows.isFiltered())
        m_rows = FrameRows(to);
    emit framesAdded(from, to);
}

bool CaptureSession::setCurrentFrame(qint64 frame)
{
    if (frame >= 0 && !m_rows.isShown(frame))
        return false;
    frame = qMax<qint64>(-1, frame);
    if (frame != m_current) {
        m_current = frame;
        emit currentFrameChanged(frame);
    }
    return true;
}

void CaptureSession::setTimeMode(TimeMode mode)
{
    if (mode == m_time.mode())
        return;
    m_time.setMode(mode);
    emit timeChanged();
}

void CaptureSession::setTimeReference(qint64 frame)
{
    if (frame < 0 || frame >= frameCount())
        frame = -1;
    if (frame == m_time.reference())
        return;
    m_time.setReference(frame);
    emit timeChanged();
}

void CaptureSession::toggleMarks(const std::vector<qint64> &frames)
{
    if (!m_capture || frames.empty())
        return;
    m_marks.toggle(frames);
    marksEdited();
}

void CaptureSession::setMarkNote(qint64 frame, const QString &note)
{
    if (!m_capture || frame < 0 || frame >= frameCount())
        return;
    m_marks.setNote(frame, note);
    marksEdited();
}

void CaptureSession::unmarkAll()
{
    if (m_marks.isEmpty())
        return;
    m_marks.clear();
    marksEdited();
}

void CaptureSession::marksEdited()
{
    emit marksChanged();
    QString error;
    if (m_capture && !MarksFile::write(*m_capture, m_marks, &error))
        emit marksNotKept(error);
}

void CaptureSession::setFieldDefinitions(std::shared_ptr<const FieldDefinitions> definitions,
                                         const QString &fileName,
                                         std::vector<FieldColumns::Column> columns)
{
    m_definitions = std::move(definitions);
    m_definitionsFile = m_definitions ? fileName : QString();
    m_fieldColumns = columnsOf(m_definitions, std::move(columns));
    emit fieldDefinitionsChanged();
}

void CaptureSession::setFieldColumns(std::vector<FieldColumns::Column> columns)
{
    m_fieldColumns = columnsOf(m_definitions, std::move(columns));
    emit fieldColumnsChanged();
}

} // namespace Korvex
