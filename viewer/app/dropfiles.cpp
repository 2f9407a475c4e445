// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace Korvex {

namespace {

// The files among the dropped links; links to folders or to other places than this machine
// name nothing the window could open.
QStringList droppedFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    const QList<QUrl> urls = mime->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << url.toLocalFile();
    }
    return files;
}

// Opening a file only reads it: the drop is taken as a copy, so that no file manager ever
// takes it for a move and deletes its file.
bool acceptAsCopy(QDropEvent *event)
{
    if (!(event->possibleActions() & Qt::CopyAction) || droppedFiles(event->mimeData()).isEmpty())
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

} // namespace

void Framescope::dragEnterEvent(QDragEnterEvent *event)
{
    acceptAsCopy(event);
}

void Framescope::dropEvent(QDropEvent *event)
{
    if (!acceptAsCopy(event))
        return;
    const QStringList files = droppedFiles(event->mimeData());
    // The drag ends first: a load inside the drop would keep the file manager waiting.
    QTimer::singleShot(0, this, [this, files] {
        loadFile(files.first());
        if (files.size() > 1)
            statusBar()->showMessage(tr("%1 files were dropped; only the first, %2, was opened.")
                                         .arg(files.size())
                                         .arg(QFileInfo(files.first()).fileName()));
    });
}

} // namespace Korvex
