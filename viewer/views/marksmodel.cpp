// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/marksmodel.h"

#include "core/files/capture.h"
#include "core/frames/framerecord.h"
#include "core/session/capturesession.h"
#include "core/text/frametext.h"
#include "core/text/timetext.h"

namespace Korvex {

MarksModel::MarksModel(CaptureSession &session, QObject *parent)
    : QAbstractTableModel(parent)
    , m_session(session)
    , m_frames(markedFrames())
{
    connect(&session, &CaptureSession::marksChanged, this, &MarksModel::marksChanged);
    connect(&session, &CaptureSession::captureChanged, this, &MarksModel::marksChanged);
    // The marks of a capture still being read may name frames to come: listed once they join.
    connect(&session, &CaptureSession::framesAdded, this, [this](qint64 from, qint64 to) {
        if (m_session.marks().anyIn(from, to - 1))
            marksChanged();
    });
}

MarksModel::~MarksModel() = default;

std::vector<qint64> MarksModel::markedFrames() const
{
    std::vector<qint64> frames;
    // A capture's marks are read with it; without one there are none to show.
    if (!m_session.capture())
        return frames;
    for (const auto &mark : m_session.marks().all()) {
        if (mark.first < m_session.frameCount())
            frames.push_back(mark.first);
    }
    return frames;
}

void MarksModel::marksChanged()
{
    std::vector<qint64> frames = markedFrames();
    // A note edited here comes back as a change of the marks: the rows, and whatever the
    // view is doing with them, stay.
    if (frames == m_frames) {
        if (!m_frames.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_frames = std::move(frames);
    endResetModel();
}

qint64 MarksModel::frameAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_frames[std::size_t(row)] : -1;
}

int MarksModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_frames.size());
}

int MarksModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MarksModel::data(const QModelIndex &index, int role) const
{
    const qint64 frame = index.isValid() ? frameAt(index.row()) : -1;
    const Capture *capture = m_session.capture().get();
    if (frame < 0 || !capture || frame >= m_session.frameCount())
        return QVariant();
    const bool sortKey = role == Qt::UserRole;
    if (role != Qt::DisplayRole && role != Qt::EditRole && !sortKey) {
        if (role == Qt::TextAlignmentRole && index.column() != Note && index.column() != Channel)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    switch (index.column()) {
    case Frame:
        return sortKey ? QVariant(frame) : QVariant(QString::number(frame));
    case Time: {
        if (capture->isMissing(frame))
            return sortKey ? QVariant(qint64(-1)) : QVariant(tr("missing"));
        const auto ns = qint64(FrameRecord::nsOfTicks(capture->ticks(frame)));
        return sortKey ? QVariant(ns) : QVariant(TimeText::readable(ns));
    }
    case Channel:
        return FrameText::channelTypeName(capture->index(), frame);
    case Note:
        return m_session.marks().note(frame);
    default:
        return QVariant();
    }
}

QVariant MarksModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Frame:
        return tr("Frame");
    case Time:
        return tr("Time since first frame");
    case Channel:
        return tr("Logical channel type");
    case Note:
        return tr("Note");
    default:
        return QVariant();
    }
}

Qt::ItemFlags MarksModel::flags(const QModelIndex &index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() && index.column() == Note ? flags | Qt::ItemIsEditable : flags;
}

bool MarksModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const qint64 frame = index.isValid() ? frameAt(index.row()) : -1;
    if (role != Qt::EditRole || index.column() != Note || frame < 0)
        return false;
    m_session.setMarkNote(frame, value.toString());
    return true;
}

} // namespace Korvex
