// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/exportdlg.h"

#include "core/text/numbertext.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace Korvex {

namespace {

// The suffix each format's files get; a capture's depends on its protocol version.
QString suffixOf(FrameExporter::Format format, int protocolVersion)
{
    switch (format) {
    case FrameExporter::Format::Csv:
        return QStringLiteral("csv");
    case FrameExporter::Format::Json:
        return QStringLiteral("json");
    case FrameExporter::Format::Capture:
        break;
    }
    return protocolVersion == 0 ? QStringLiteral("drf3") : QStringLiteral("drf4");
}

} // namespace

ExportDlg::ExportDlg(QWidget *parent, qint64 all, qint64 shown, qint64 marked, qint64 selected,
                     int protocolVersion, const QString &input, const QString &folder)
    : QDialog(parent)
    , m_protocolVersion(protocolVersion)
    , m_input(input)
    , m_folder(folder)
{
    setWindowTitle(tr("Export Frames"));
    auto *frames = new QGroupBox(tr("Frames"), this);
    auto *grid = new QGridLayout(frames);
    const QString texts[] = {tr("&All (%1)").arg(NumberText::grouped(all)),
                             tr("S&hown (%1)").arg(NumberText::grouped(shown)),
                             tr("&Marked (%1)").arg(NumberText::grouped(marked)),
                             tr("&Selected (%1)").arg(NumberText::grouped(selected)),
                             tr("&Range of frames")};
    const qint64 counts[] = {all, shown, marked, selected, all};
    for (int which = All; which <= Range; ++which) {
        m_choices[which] = new QRadioButton(texts[which], frames);
        m_choices[which]->setEnabled(counts[which] > 0);
        grid->addWidget(m_choices[which], which, 0);
    }
    m_choices[shown < all ? Shown : All]->setChecked(true);
    // Frame numbers fit an int: the capture's frame limit sees to that.
    const int lastFrame = int(qBound(qint64(0), all - 1, qint64(std::numeric_limits<int>::max())));
    m_first = new QSpinBox(frames);
    m_last = new QSpinBox(frames);
    m_first->setRange(0, lastFrame);
    m_last->setRange(0, lastFrame);
    m_last->setValue(lastFrame);
    auto *range = new QHBoxLayout;
    range->addWidget(m_first);
    range->addWidget(new QLabel(tr("to"), frames));
    range->addWidget(m_last);
    grid->addLayout(range, Range, 1);
    connect(m_first, &QSpinBox::valueChanged, this, &ExportDlg::updateOk);
    connect(m_last, &QSpinBox::valueChanged, this, &ExportDlg::updateOk);

    m_format = new QComboBox(this);
    m_format->addItems({tr("CSV (as drfdump --format csv)"), tr("JSON (as drfdump --format json)"),
                        protocolVersion == 0 ? tr("DigRF 3G capture (.drf3)")
                                             : tr("DigRF v4 capture (.drf4)")});
    m_file = new QLineEdit(this);
    auto *browse = new QPushButton(tr("&Browse..."), this);
    auto *file = new QHBoxLayout;
    file->addWidget(m_file, 1);
    file->addWidget(browse);
    // A row of a layout gets a label without a buddy, which would show its ampersand.
    auto *fileLabel = new QLabel(tr("F&ile:"), this);
    fileLabel->setBuddy(m_file);
    m_suffixNote = new QLabel(this);
    m_suffixNote->setWordWrap(true);
    m_suffixNote->setStyleSheet(QStringLiteral("color: #B00000"));
    m_suffixNote->hide();
    auto *form = new QFormLayout;
    form->addRow(tr("&Format:"), m_format);
    form->addRow(fileLabel, file);
    form->addRow(QString(), m_suffixNote);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("&Export"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frames);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    for (QRadioButton *choice : m_choices)
        connect(choice, &QRadioButton::toggled, this, &ExportDlg::updateOk);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ExportDlg::formatChanged);
    connect(m_file, &QLineEdit::textChanged, this, &ExportDlg::updateOk);
    connect(m_file, &QLineEdit::textChanged, this, &ExportDlg::updateSuffixNote);
    connect(m_format, &QComboBox::currentIndexChanged, this, &ExportDlg::updateSuffixNote);
    connect(browse, &QPushButton::clicked, this, &ExportDlg::browse);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

ExportDlg::~ExportDlg() = default;

void ExportDlg::accept()
{
    const QString refusal = FrameExporter::targetProblem(m_input, fileName());
    if (!refusal.isEmpty()) {
        ModalDialogs::message(this, QMessageBox::Warning, windowTitle(), refusal);
        return;
    }
    // A suffix that is not the format's may be a slip: said once more before the export.
    const QString choice = fileName() + QLatin1Char('\n') + QString::number(int(format()));
    if (!suffixNote().isEmpty() && m_suffixAccepted != choice) {
        m_suffixAccepted = choice;
        m_suffixNote->setText(suffixNote() + QLatin1Char(' ')
                              + tr("Export again to write it under this name anyway."));
        m_file->setFocus();
        return;
    }
    // Only a regular file is replaced; a pipe or device is written into.
    if (fileName() != m_confirmed && QFileInfo(fileName()).isFile()) {
        ModalDialogs::ask(this, windowTitle(),
                          tr("%1 already exists.\nDo you want to replace it?")
                              .arg(QFileInfo(fileName()).fileName()),
                          [this] { QDialog::accept(); });
        return;
    }
    QDialog::accept();
}

ExportDlg::Which ExportDlg::which() const
{
    for (int which = All; which <= Range; ++which) {
        if (m_choices[which]->isChecked())
            return Which(which);
    }
    return All;
}

void ExportDlg::setWhich(Which which)
{
    m_choices[which]->setChecked(true);
}

qint64 ExportDlg::rangeFirst() const
{
    return m_first->value();
}

qint64 ExportDlg::rangeLast() const
{
    return m_last->value();
}

void ExportDlg::setRange(qint64 first, qint64 last)
{
    m_first->setValue(int(first));
    m_last->setValue(int(last));
}

FrameExporter::Format ExportDlg::format() const
{
    return FrameExporter::Format(m_format->currentIndex());
}

void ExportDlg::setFormat(FrameExporter::Format format)
{
    m_format->setCurrentIndex(int(format));
}

QString ExportDlg::fileName() const
{
    return m_file->text().trimmed();
}

void ExportDlg::setFileName(const QString &fileName)
{
    m_file->setText(fileName);
}

void ExportDlg::browse()
{
    const QString suffix = suffixOf(format(), m_protocolVersion);
    const QString start = fileName().isEmpty() ? m_folder : fileName();
    ModalDialogs::chooseFile(this, tr("Export Frames"), start,
                             tr("%1 files (*.%2)").arg(suffix.toUpper(), suffix),
                             QFileDialog::AcceptSave, [this](const QString &chosen) {
                                 m_file->setText(chosen);
                                 // The file dialog asked before replacing it.
                                 m_confirmed = fileName();
                             });
}

void ExportDlg::formatChanged()
{
    // A name that ends in another format's suffix takes this one's.
    const QFileInfo file(fileName());
    static const QStringList known = {QStringLiteral("csv"), QStringLiteral("json"),
                                      QStringLiteral("drf3"), QStringLiteral("drf4")};
    if (known.contains(file.suffix(), Qt::CaseInsensitive)) {
        const QString name = fileName();
        m_file->setText(name.left(name.size() - file.suffix().size())
                        + suffixOf(format(), m_protocolVersion));
    }
}

QString ExportDlg::suffixNote() const
{
    const QString suffix = QFileInfo(fileName()).suffix();
    const QString wanted = suffixOf(format(), m_protocolVersion);
    if (fileName().isEmpty() || suffix.compare(wanted, Qt::CaseInsensitive) == 0)
        return QString();
    if (suffix.isEmpty())
        return tr("The name has no suffix; the format chosen writes .%1 files.").arg(wanted);
    return tr("The name ends in .%1, but the format chosen writes .%2 files.").arg(suffix, wanted);
}

void ExportDlg::updateSuffixNote()
{
    const QString note = suffixNote();
    m_suffixNote->setText(note);
    m_suffixNote->setVisible(!note.isEmpty());
}

void ExportDlg::updateOk()
{
    const bool range = which() != Range || m_first->value() <= m_last->value();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!fileName().isEmpty() && range);
}

} // namespace Korvex
