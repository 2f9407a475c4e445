// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_EXPORTDLG_H
#define VIEWER_VIEWS_EXPORTDLG_H

#include "core/export/frameexporter.h"

#include <QDialog>

QT_BEGIN_NAMESPACE
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
QT_END_NAMESPACE

namespace Korvex {

/// Asks which frames to export (all, the ones shown, marked or selected, or a range of frame
/// numbers), in which format (CSV, JSON or a capture) and to which file. It closes only on a
/// file that may take the export: never the capture itself, and an existing file only once the
/// user agreed to replace it. A name whose suffix is not the format's is flagged in the dialog
/// as it is typed; Export then keeps the dialog open once, with every choice as it was, and
/// exports under that name when pressed again.
class ExportDlg : public QDialog
{
    Q_OBJECT

public:
    enum Which { All, Shown, Marked, Selected, Range };

    /// The counts label the choices; a choice without frames cannot be made. `input` is the
    /// capture's file, `folder` where the file dialog starts.
    ExportDlg(QWidget *parent, qint64 all, qint64 shown, qint64 marked, qint64 selected,
              int protocolVersion, const QString &input, const QString &folder);
    ~ExportDlg() override;

    void accept() override;

    Which which() const;
    void setWhich(Which which);
    /// The range's first and last frame (both exported).
    qint64 rangeFirst() const;
    qint64 rangeLast() const;
    void setRange(qint64 first, qint64 last);
    FrameExporter::Format format() const;
    void setFormat(FrameExporter::Format format);
    QString fileName() const;
    void setFileName(const QString &fileName);
    /// What the dialog says about the file name's suffix; empty when it fits the format.
    QString suffixNote() const;

private:
    void browse();
    void formatChanged();
    void updateOk();
    void updateSuffixNote();

    QRadioButton *m_choices[Range + 1] = {};
    QSpinBox *m_first = nullptr;
    QSpinBox *m_last = nullptr;
    QComboBox *m_format = nullptr;
    QLineEdit *m_file = nullptr;
    QLabel *m_suffixNote = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    int m_protocolVersion;
    QString m_input;
    QString m_folder;
    // The file the file dialog already asked about replacing.
    QString m_confirmed;
    // The name and format whose unusual suffix Export was already pressed for.
    QString m_suffixAccepted;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_EXPORTDLG_H
