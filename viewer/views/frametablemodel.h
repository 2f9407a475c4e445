#ifndef VIEWER_VIEWS_FRAMETABLEMODEL_H
#define VIEWER_VIEWS_FRAMETABLEMODEL_H

#include "core/filters/framerows.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

namespace Korvex {

class Capture;
class CaptureSession;
class FrameColorScheme;

/// Presents the frames a session shows to the frame table: five columns, coloured by logical
/// channel type while colouring is on; marked frames keep their colours and stand out by a bold
/// font, a mark beside their row label and their note as tool tip. It follows the session: a new capture or new
/// rows reset it, marks and the time column repaint. A table view keeps pixel positions in int
/// and some memory per row, so the model holds a window of at most windowSize() rows of what it
/// shows, starting at windowBase(); the table moves the window as it scrolls (FrameTableView).
/// Row labels are the frame numbers.
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
    /// The time column repaints (a change of mode walks no frames) and so do the row labels,
    /// where the reference's is "N REF".
    void timeChanged();
    void marksChanged();

    const CaptureSession &m_session;
    const FrameColorScheme *m_colors = nullptr;
    int m_windowSize = DefaultWindowSize;
    qint64 m_base = 0;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FRAMETABLEMODEL_H
