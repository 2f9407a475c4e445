// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/session/capturesession.h"

#include "core/fields/fielddefinitions.h"
#include "core/files/capture.h"
#include "core/files/marksfile.h"
#include "core/filters/framefilter.h"
#include "core/text/numbertext.h"

#include <QCoreApplication>

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

const QString CaptureSession::GrowthKind = QStringLiteral("session-growth");

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
    m_tasks.cancel(GrowthKind);
    ++m_generation;
    // The time column lets go of the old capture before the session does.
    m_time.setCapture(capture.get());
    m_capture = std::move(capture);
    m_rows = FrameRows(m_capture ? m_capture->frameCount() : 0);
    m_filterText.clear();
    m_filter = FilterExpression();
    m_current = -1;
    m_marks.clear();
    m_marksRead = false;
    MarksFile::ReadResult read;
    if (m_capture && m_capture->status() != Capture::Status::Aborted && frameCount() > 0) {
        read = MarksFile::read(*m_capture, &m_marks, !isCaptureComplete());
        m_marksRead = true;
    }
    emit captureChanged();
    if (!read.problem.isEmpty())
        emit marksFileNote(read.problem);
}

bool CaptureSession::isCaptureComplete() const
{
    if (!m_capture)
        return true;
    const Capture::Status status = m_capture->status();
    return status != Capture::Status::NotLoaded && status != Capture::Status::Following
           && frameCount() == m_capture->frameCount();
}

bool CaptureSession::isStillReading() const
{
    // A followed capture whose frames are all taken is not called partial: a finished file is
    // followed too, as long as following is on.
    return m_capture
           && (m_capture->status() == Capture::Status::NotLoaded
               || frameCount() < m_capture->frameCount());
}

QString CaptureSession::framesReadSoFar(qint64 frames)
{
    return QCoreApplication::translate("Framescope", "Over the %1 frames read so far.")
        .arg(NumberText::grouped(frames));
}

QString CaptureSession::passNote() const
{
    return isStillReading() ? framesReadSoFar(frameCount()) : QString();
}

bool CaptureSession::setRows(const FrameRows &rows, const QString &filterText)
{
    if (m_capture && rows.total() > m_capture->frameCount())
        return false;
    m_tasks.cancel(GrowthKind);
    ++m_generation;
    const qint64 previous = m_current;
    const qint64 taken = frameCount();
    m_rows = rows;
    m_filterText = rows.isFiltered() ? filterText : QString();
    m_filter = FilterExpression();
    if (rows.isFiltered()) {
        FilterError error;
        m_filter = FilterExpression::parse(filterText, &error, m_definitions);
    }
    // Frames taken after the rows' pass began are filtered as new frames; those of cheap
    // filters join before anyone hears of the rows.
    if (m_capture && m_rows.total() < taken && !m_filter.needsFile())
        m_rows = m_rows.grown(taken, newFrameBits(taken).data(), m_rows.total() / 64 * 64);
    m_current = m_rows.frameAt(m_rows.nearestRow(qMax<qint64>(0, previous)));
    emit rowsChanged();
    if (m_current != previous)
        emit currentFrameChanged(m_current);
    if (m_rows.total() > taken)
        emit framesAdded(taken, m_rows.total());
    // Frames a dropped step would have taken, or that the rows' pass left, join now.
    takeNewFrames();
    return true;
}

void CaptureSession::clearFilter()
{
    if (m_rows.isFiltered())
        setRows(FrameRows(m_rows.total()), QString());
}

void CaptureSession::takeNewFrames()
{
    if (!m_capture || m_capture->frameCount() <= frameCount())
        return;
    if (!m_rows.isFiltered()) {
        join(m_capture->frameCount(), nullptr, 0);
        return;
    }
    if (!m_filter.needsFile()) {
        const qint64 to = m_capture->frameCount();
        join(to, newFrameBits(to).data(), frameCount() / 64 * 64);
        return;
    }
    // The step running takes what it was started for; the next one the rest.
    if (m_tasks.isRunning(GrowthKind))
        return;
    struct Step
    {
        std::vector<quint64> bits;
        qint64 to = 0;
    };
    const qint64 from = frameCount();
    const qint64 first = from / 64 * 64;
    const qint64 to = m_capture->frameCount();
    const quint64 generation = m_generation;
    m_tasks.start<Step>(
        GrowthKind,
        [capture = m_capture, filter = m_filter, first, to](QPromise<Step> &promise) {
            Step step;
            step.to = to;
            step.bits.assign(std::size_t((to - first + 63) / 64), 0);
            if (FrameFilter(*capture, filter)
                    .evaluate(first, to, step.bits.data(), TaskRunner::progressOf(promise)))
                promise.addResult(std::move(step));
        },
        std::function<void(Step)>([this, generation, from, first](Step step) {
            if (generation != m_generation || from != frameCount())
                return;
            join(step.to, step.bits.data(), first);
            takeNewFrames();
        }));
}

std::vector<quint64> CaptureSession::newFrameBits(qint64 to) const
{
    const qint64 first = frameCount() / 64 * 64;
    std::vector<quint64> bits(std::size_t((to - first + 63) / 64), 0);
    FrameFilter(*m_capture, m_filter).evaluate(first, to, bits.data());
    return bits;
}

void CaptureSession::join(qint64 to, const quint64 *news, qint64 first)
{
    const qint64 from = frameCount();
    if (to <= from)
        return;
    m_rows = m_rows.grown(to, news, first);
    // A capture put on display before its first frame was read finds its marks now.
    MarksFile::ReadResult read;
    if (!m_marksRead && m_capture->status() != Capture::Status::Aborted) {
        m_marksRead = true;
        // The marks of frames still to come stay: they are kept with every change of the marks.
        read = MarksFile::read(*m_capture, &m_marks, !isCaptureComplete());
    }
    emit framesAdded(from, to);
    if (!m_marks.isEmpty() && from == 0)
        emit marksChanged();
    if (!read.problem.isEmpty())
        emit marksFileNote(read.problem);
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
