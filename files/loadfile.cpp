#include "app/framescope.h"

#include "files/capturefile.h"

#include <QAction>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QProgressDialog>
#include <QSettings>

namespace Korvex {

void Framescope::loadFile(const QString &fileName)
{
    setWindowTitle(tr("Kestrant Framescope - %1").arg(fileName));
    // The frames on display keep the version they were read with until new ones replace them:
    // a file that cannot be opened changes nothing that draws or describes them.
    const int version = protocolVersionOf(fileName);
    appendLog(protocolVersionLogText(version), Qt::white);

    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        appendLog(cannotOpenLogText(fileName), Qt::red);
        return;
    }

    if (!progressDialog) {
        progressDialog = new QProgressDialog(tr("Loading file ..."), tr("Cancel"), 0, 100, this);
        progressDialog->setWindowTitle(tr("Framescope"));
        progressDialog->setWindowModality(Qt::WindowModal);
        // The dialog lets the window process its events at each new value only once it
        // counts itself as shown; left to its own estimate it would wait up to four seconds
        // and the window would freeze through shorter loads.
        progressDialog->setMinimumDuration(0);
        progressDialog->setValue(0);
    }
    progressDialog->show();
    appendLog(openedLogText(fileName), Qt::white);

    QDataStream in(&file);
    in.setByteOrder(QDataStream::LittleEndian);
    parseFrameFile(in, file.size(), version);
    progressDialog->setValue(90);

    // The recent files name a file by its absolute, clean path: a relative name would mean
    // another file, or none, in a session started elsewhere, and two spellings are one file.
    const QString path = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    settings->setValue(QStringLiteral("FileLoadPath"), QFileInfo(path).absolutePath());
    qsizetype position = -1;
    for (qsizetype i = 0; i < recentFiles->size() && position < 0; ++i) {
        if (recentFiles->at(i).toString() == path)
            position = i;
    }
    if (position < 0)
        recentFiles->prepend(path);
    else
        recentFiles->swapItemsAt(0, position);
    settings->setValue(QStringLiteral("RecentFiles"), *recentFiles);
    rebuildRecentFilesMenu();
    progressDialog->setValue(95);

    buildFramesScroller();
    progressDialog->setValue(100);
    progressDialog->hide();
}

void Framescope::rebuildRecentFilesMenu()
{
    // The action that asked for a load may be the one being replaced: it goes once its
    // signal has returned.
    const QList<QAction *> old = ui.menuRecentFiles->actions();
    for (QAction *action : old) {
        ui.menuRecentFiles->removeAction(action);
        action->deleteLater();
    }
    for (const QVariant &entry : std::as_const(*recentFiles)) {
        QAction *action = ui.menuRecentFiles->addAction(entry.toString());
        action->setShortcut(QKeySequence());
        connect(action, &QAction::triggered, this, &Framescope::openRecentFile);
    }
}

} // namespace Korvex
