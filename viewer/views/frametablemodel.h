// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_FRAMETABLEMODEL_H
#define VIEWER_VIEWS_FRAMETABLEMODEL_H

#include "core/fields/fieldcolumns.h"
#include "core/filters/framerows.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QIcon>
#include <QStringList>

#include <array>

namespace Korvex {

class Capture;
class CaptureSession;
class FrameColorScheme;

/// Presents the frames a session shows to the frame table: five columns, then the session's
/// columns of decoded fields, coloured by logical channel type while colouring is on; marked
/// frames keep their colours and stand out by a bold font, a mark beside their row label and
/// their note as tool tip. It follows the session: a new capture or new
/// rows reset it, marks and the time column repaint. A table view keeps pixel positions in int
/// and some memory per row, so the model holds a window of at most windowSize() rows of what it
/// shows, starting at windowBase(); the table moves the window as it scrolls (FrameTableView).
/// Frames that join the session are inserted below the last row, not reset.
/// Row labels are the frame numbers. A row's message is decoded once for all its field cells,
/// and only for the rows painted.
class FrameTableModel : public QAbstractTableModel
{
public:
    static constexpr int DefaultWindowSize = 1 << 18;

    /// The session must outlive the model.
    FrameTableModel(const CaptureSession &session, const FrameColorScheme *colorSource);
    ~FrameTableModel() override;

    /// The colour of a frame's mark, beside its row label and on the overview strip.
    static QColor markColor();
    /// The mark beside a marked frame's row label.
    static QIcon markIcon();
    const Capture *capture() const;
    /// The session's rows.
    const FrameRows &rows() const;
    /// The version of the frames shown: it chooses the third column and the colour table.
    int protocolVersion() const;

    int windowSize() const { return m_windowSize; }
    void setWindowSize(int rows);
    qint64 windowBase() const { return m_base; }
    /// Moves the window (kept within the rows shown); the views keep their current and selected
    /// rows as far as they stay inside it.
    void setWindowBase(qint64 base);

    /// Which of the shown rows a model row is, and back (-1 outside the window).
    qint64 shownRow(int modelRow) const { return m_base + modelRow; }
    int modelRow(qint64 shownRow) const;
    /// The frame a model row shows, or -1.
    qint64 frameAt(int modelRow) const;

    /// The display text of a cell of any shown row, inside the window or not.
    QString cellText(qint64 shownRow, int column) const;
    /// The row labels that need the most room among all the rows shown, inside the window or
    /// not: the last frame's number and the reference's label.
    QStringList widestRowLabels() const;

    QModelIndex cellIndex(int row, int column) const;
    /// The reset that follows a change of colorsEnabled.
    void resetModel();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    bool colorsEnabled = true;

private:
    /// A new capture or new rows: the window goes back to the first row.
    void rowsReplaced();
    /// Frames joined the session: the window takes the new rows it has room for.
    void rowsAdded();
    /// The rows of the session's the window holds from its base.
    int windowRows() const;
    /// The time column repaints (a change of mode walks no frames) and so do the row labels,
    /// where the reference's is "N REF".
    void timeChanged();
    void marksChanged();
    /// The session's field columns take the place of those shown so far.
    void fieldColumnsChanged();

    /// A frame's payload and the message it is, as the field cells read them.
    struct DecodedRow
    {
        qint64 frame = -1;
        int message = -1;
        QByteArray payload;
    };
    /// The decoded frame, from the rows decoded lately when it is among them.
    const DecodedRow &decoded(qint64 frame) const;
    QString fieldCell(qint64 frame, int column) const;
    void forgetDecodedRows() const;

    const CaptureSession &m_session;
    /// The field columns the model shows: the session's, taken as their change is announced
    /// so that the columns change only between the announcements to the views.
    FieldColumns m_fields;
    /// Rows decoded lately, at their frame number modulo the size: the rows being painted.
    mutable std::array<DecodedRow, 256> m_decoded;
    const FrameColorScheme *m_colors = nullptr;
    int m_windowSize = DefaultWindowSize;
    qint64 m_base = 0;
    /// The rows the views were told of; the session's rows may have grown meanwhile.
    int m_rowCount = 0;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FRAMETABLEMODEL_H
