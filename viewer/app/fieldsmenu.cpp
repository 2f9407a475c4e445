// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "core/fields/fielddefinitions.h"
#include "core/session/capturesession.h"
#include "core/text/frametext.h"
#include "viewer/dialogs/modaldialogs.h"
#include "viewer/views/fieldcolumnsdlg.h"
#include "viewer/views/filterbar.h"
#include "viewer/views/findbar.h"
#include "viewer/views/frametablemodel.h"
#include "viewer/views/logmodel.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSettings>
#include <QStatusBar>

namespace Korvex {

namespace {

const QString DefinitionsKey = QStringLiteral("FieldDefinitions");
const QString ColumnsKey = QStringLiteral("FieldColumns");
// How the Message column is kept among the chosen columns: no MESSAGE.FIELD has no dot.
const QString MessageColumnName = QStringLiteral("Message");
// A definition file is read only up to 4 MiB; a larger one is a mistake whatever its text.
constexpr qint64 LongestComparedText = qint64(8) << 20;
// Mistakes a message box lists before it refers to the log for the rest.
constexpr int MistakesShown = 20;

QString absolutePath(const QString &fileName)
{
    return QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
}

// The file's text as it is now; a null array when it cannot be read.
QByteArray textOf(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > LongestComparedText)
        return QByteArray();
    QByteArray text = file.readAll();
    // An empty file reads as an empty array that is not null, unlike a failure.
    if (text.isNull())
        text = QByteArray("");
    return text;
}

QString columnName(const FieldDefinitions &definitions, const FieldColumns::Column &column)
{
    if (column.message < 0)
        return MessageColumnName;
    return definitions.message(column.message).name + QLatin1Char('.')
           + definitions.field(column.message, column.field).name;
}

} // namespace

void Framescope::loadDefinitions()
{
    if (ModalDialogs::raiseOpen(this))
        return;
    const QString current = session->fieldDefinitionsFile();
    const QString folder =
        current.isEmpty()
            ? settings->value(QStringLiteral("FileLoadPath"), QStringLiteral(".")).toString()
            : QFileInfo(current).absolutePath();
    ModalDialogs::chooseFile(this, tr("Load Field Definitions"), folder,
                             tr("Field definitions (*.toml);;All files (*)"),
                             QFileDialog::AcceptOpen, [this](const QString &fileName) {
                                 readDefinitions(fileName, DefinitionsFrom::Chosen);
                             });
}

void Framescope::unloadDefinitions()
{
    settings->remove(DefinitionsKey);
    definitionsBesideCapture = false;
    definitionsText.clear();
    session->setFieldDefinitions(nullptr, QString());
    statusBar()->showMessage(tr("Payloads are no longer decoded into fields."), 10000);
}

bool Framescope::readDefinitions(const QString &fileName, DefinitionsFrom from)
{
    const QString path = absolutePath(fileName);
    const QByteArray text = textOf(path);
    QStringList errors;
    std::shared_ptr<const FieldDefinitions> definitions = FieldDefinitions::read(path, &errors);
    if (!definitions) {
        // The definitions in force stay; a file of theirs that went wrong is not read again
        // until its text changes once more.
        if (from == DefinitionsFrom::Disk)
            definitionsText = text;
        for (const QString &line : std::as_const(errors))
            appendLog(line, LogModel::color(LogLevel::Error));
        const QString stay = tr("%1 has mistakes; the field definitions stay as they were.")
                                 .arg(QDir::toNativeSeparators(path));
        appendLog(stay, LogModel::color(LogLevel::Error));
        if (from == DefinitionsFrom::Chosen) {
            QStringList shown = errors.mid(0, MistakesShown);
            if (errors.size() > MistakesShown)
                shown.append(tr("... and %1 more in the log.").arg(errors.size() - MistakesShown));
            ModalDialogs::message(this, QMessageBox::Warning, tr("Load Definitions"),
                                  stay + QLatin1String("\n\n") + shown.join(QLatin1Char('\n')));
        }
        return false;
    }

    QString done;
    switch (from) {
    case DefinitionsFrom::Chosen:
    case DefinitionsFrom::Remembered:
        done = tr("Field definitions read from %1: %n message(s).", nullptr,
                  definitions->messageCount());
        definitionsBesideCapture = false;
        settings->setValue(DefinitionsKey, path);
        break;
    case DefinitionsFrom::Capture:
        done = tr("Field definitions of the capture read from %1 beside it: %n message(s).",
                  nullptr, definitions->messageCount());
        definitionsBesideCapture = true;
        break;
    case DefinitionsFrom::Disk:
        done = tr("Field definitions read again from %1, which changed: %n message(s).", nullptr,
                  definitions->messageCount());
        break;
    }
    // Success joins the log without bringing it to the front: a file read again must not take
    // the frames away from under the user's eyes.
    logModel->append(done.arg(QDir::toNativeSeparators(path)), LogModel::color(LogLevel::Info));
    definitionsText = text;
    std::vector<FieldColumns::Column> columns = storedFieldColumns(*definitions, path);
    session->setFieldDefinitions(std::move(definitions), path, std::move(columns));
    return true;
}

void Framescope::readCaptureDefinitions(const QString &captureFileName)
{
    const QString beside = FieldDefinitions::fileBeside(captureFileName);
    if (QFileInfo::exists(beside)) {
        readDefinitions(beside, DefinitionsFrom::Capture);
        return;
    }
    // Another capture's definitions do not belong to this one.
    if (!definitionsBesideCapture)
        return;
    definitionsBesideCapture = false;
    const QString chosen = settings->value(DefinitionsKey).toString();
    if (!chosen.isEmpty() && readDefinitions(chosen, DefinitionsFrom::Remembered))
        return;
    definitionsText.clear();
    session->setFieldDefinitions(nullptr, QString());
}

void Framescope::watchDefinitions()
{
    if (!definitionsWatcher) {
        definitionsWatcher = new QFileSystemWatcher(this);
        connect(definitionsWatcher, &QFileSystemWatcher::fileChanged, this,
                &Framescope::definitionsFileChanged);
        connect(definitionsWatcher, &QFileSystemWatcher::directoryChanged, this,
                &Framescope::definitionsFileChanged);
    }
    const QStringList watched = definitionsWatcher->files() + definitionsWatcher->directories();
    if (!watched.isEmpty())
        definitionsWatcher->removePaths(watched);
    const QString file = session->fieldDefinitionsFile();
    if (file.isEmpty())
        return;
    // An editor that saves by writing another file and renaming it over this one leaves the
    // watcher on a file that is gone: the folder's news tells of the new one.
    definitionsWatcher->addPath(file);
    definitionsWatcher->addPath(QFileInfo(file).absolutePath());
}

void Framescope::definitionsFileChanged(const QString &path)
{
    Q_UNUSED(path);
    const QString file = session->fieldDefinitionsFile();
    // A file that is gone for now (being replaced) is read once it is back.
    if (file.isEmpty() || !QFileInfo::exists(file))
        return;
    if (definitionsWatcher && !definitionsWatcher->files().contains(file))
        definitionsWatcher->addPath(file);
    // Other files of the folder change too, and one save may be told of twice.
    const QByteArray text = textOf(file);
    if (!text.isNull() && text == definitionsText)
        return;
    readDefinitions(file, DefinitionsFrom::Disk);
}

void Framescope::fieldDefinitionsChanged()
{
    const std::shared_ptr<const FieldDefinitions> &definitions = session->fieldDefinitions();
    ui.filterBar->setMessageCatalog(definitions);
    ui.findBar->setMessageCatalog(definitions);
    QStringList words;
    if (definitions) {
        words = definitions->filterWords();
        for (const QString &name : definitions->messageNames())
            words.append(QLatin1Char('"') + name + QLatin1Char('"'));
    }
    ui.filterBar->setExtraWords(words);
    ui.actionUnloadDefinitions->setEnabled(definitions != nullptr);
    ui.actionFieldColumns->setEnabled(definitions != nullptr);
    ui.gbFields->setVisible(definitions != nullptr);
    // Messages and fields are numbered anew.
    shownMessage = -1;
    shownField = -1;
    showCurrentFrame();
    fitFieldColumns();
    watchDefinitions();
}

void Framescope::fitFieldColumns()
{
    // The rows in view and the last row are measured, never all of them.
    for (int column = FrameText::ColumnCount; column < model->columnCount(); ++column)
        ui.tblFrames->resizeColumnToContents(column);
}

std::vector<FieldColumns::Column> Framescope::storedFieldColumns(const FieldDefinitions &definitions,
                                                                 const QString &fileName) const
{
    const QVariant stored = settings->value(ColumnsKey).toMap().value(fileName);
    if (!stored.isValid())
        return {FieldColumns::Column()};
    // Columns are kept by name, so that they survive an edit of the file; names it no longer
    // has are left out.
    std::vector<FieldColumns::Column> columns;
    for (const QString &name : stored.toStringList()) {
        if (name == MessageColumnName) {
            columns.push_back(FieldColumns::Column());
            continue;
        }
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        const int message = dot < 0 ? -1 : definitions.messageIndex(QStringView(name).left(dot));
        const int field =
            message < 0 ? -1 : definitions.fieldIndex(message, QStringView(name).mid(dot + 1));
        if (field >= 0)
            columns.push_back({message, field});
    }
    return columns;
}

void Framescope::showFieldColumnsDlg()
{
    const std::shared_ptr<const FieldDefinitions> definitions = session->fieldDefinitions();
    const QString file = session->fieldDefinitionsFile();
    if (!definitions || ModalDialogs::raiseOpen(this))
        return;
    auto *dialog = new FieldColumnsDlg(session->fieldColumns(), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog, definitions, file] {
        // Kept by name, for the file the dialog offered the fields of.
        QStringList names;
        for (const FieldColumns::Column &column : dialog->columns())
            names.append(columnName(*definitions, column));
        QVariantMap stored = settings->value(ColumnsKey).toMap();
        stored.insert(file, names);
        settings->setValue(ColumnsKey, stored);
        // The file may have been read again while the dialog was open: the names find the
        // fields.
        if (session->fieldDefinitions() && session->fieldDefinitionsFile() == file)
            session->setFieldColumns(storedFieldColumns(*session->fieldDefinitions(), file));
    });
    ModalDialogs::open(dialog);
}

} // namespace Korvex
