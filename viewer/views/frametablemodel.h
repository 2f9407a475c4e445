#ifndef VIEWER_VIEWS_FRAMETABLEMODEL_H
#define VIEWER_VIEWS_FRAMETABLEMODEL_H

#include "core/filters/framerows.h"
#include "core/text/timecolumn.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace Korvex {

class Capture;
class FrameColorScheme;
class FrameMarks;

/// Presents a capture's frames to the frame table: five columns, coloured by logical channel
/// type while colouring is on. A table view keeps pixel positions in int and some memory per
/// row, so the model holds a window of at most windowSize() rows of what it shows, starting at
/// windowBase(); the table moves the window as it scrolls (FrameTableView). Row labels are the
/// frame numbers.
class FrameTableModel : public QAbstractTableModel
{
public:
    static constexpr int DefaultWindowSize = 1 << 18;

    explicit FrameTableModel(const FrameColorScheme *colorSource);
    ~FrameTableModel() override;

    /// Shows every frame of the capture (nothing for nullptr); resets the model.
    void setCapture(const Capture *capture);
    /// Shows these rows of the capture (the capture may be null: rows without texts).
    void setRows(const FrameRows &rows);
    /// Marked frames stand out: light text on a dark background, bold, their note as tool tip.
    void setMarks(const FrameMarks *marks);
    /// Repaints the rows after marks were set or taken away.
    void marksChanged();
    /// The background of a marked frame, in the table and on the overview strip.
    static QColor markColor();
    const Capture *capture() const { return m_capture; }
    const FrameRows &rows() const { return m_rows; }
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

    /// What the time column shows. A change repaints the column; it walks no frames.
    TimeMode timeMode() const { return m_time.mode(); }
    void setTimeMode(TimeMode mode);
    /// The reference frame of "time since the reference frame", or -1; its row is labelled
    /// "REF". A new capture has none; a filter that hides it leaves it the reference.
    qint64 timeReference() const { return m_time.reference(); }
    void setTimeReference(qint64 frame);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    bool colorsEnabled = true;

private:
    void timeColumnChanged();

    const Capture *m_capture = nullptr;
    FrameRows m_rows;
    TimeColumn m_time;
    const FrameColorScheme *m_colors = nullptr;
    const FrameMarks *m_marks = nullptr;
    int m_windowSize = DefaultWindowSize;
    qint64 m_base = 0;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_FRAMETABLEMODEL_H
