// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/app/framescope.h"

#include "viewer/app/printjob.h"
#include "core/session/capturesession.h"

#include <QCloseEvent>
#include <QScreen>
#include <QSettings>
#include <QTimer>

namespace Korvex {

namespace {

const QString geometryKey = QStringLiteral("WindowGeometry");
const QString splitterKey = QStringLiteral("SplitterSizes");
const QString tabKey = QStringLiteral("CurrentTab");

} // namespace

void Framescope::restoreWindowState()
{
    // Nothing stored, or nothing usable: a size for the screen and a split that favours the
    // table.
    const QVariant geometry = settings->value(geometryKey);
    if (geometry.typeId() != QMetaType::QByteArray || !restoreGeometry(geometry.toByteArray()))
        sizeFirstWindow();

    // Written as a list of numbers, which the settings file gives back as strings.
    bool splitRestored = false;
    const QVariant stored = settings->value(splitterKey);
    if (stored.typeId() == QMetaType::QVariantList || stored.typeId() == QMetaType::QStringList) {
        const QVariantList entries = stored.toList();
        QList<int> sizes;
        for (const QVariant &entry : entries) {
            bool ok = false;
            const int size = entry.toInt(&ok);
            if (ok && size >= 0)
                sizes << size;
        }
        if (sizes.size() == ui.splFrames->count() && sizes != QList<int>(sizes.size(), 0)) {
            ui.splFrames->setSizes(sizes);
            splitRestored = true;
        }
    }
    // At first, a quarter of the window's height for the panels below the table, or what they
    // need where that is more; the table takes the rest.
    if (!splitRestored)
        ui.splFrames->setSizes({height() * 3 / 4, height() / 4});

    bool ok = false;
    const int tab = settings->value(tabKey).toInt(&ok);
    if (ok && tab >= 0 && tab < ui.tabs->count())
        ui.tabs->setCurrentIndex(tab);
}

void Framescope::sizeFirstWindow()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // The form's size suits a small screen; a larger one gets a window of a good share of it,
    // room left for the title bar and the desktop's panels.
    const QRect available = screen->availableGeometry();
    const QSize share(available.width() * 3 / 4, available.height() * 5 / 6);
    const QSize size = share.expandedTo(this->size()).boundedTo(available.size());
    if (size == this->size())
        return;
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(available.center());
    resize(size);
    move(placed.topLeft());
}

void Framescope::saveWindowState() const
{
    settings->setValue(geometryKey, saveGeometry());
    // A Frames page that was never shown has never been laid out: its split would read as
    // nothing, so the one stored before stays.
    if (ui.splFrames->testAttribute(Qt::WA_Resized)) {
        QVariantList sizes;
        const QList<int> current = ui.splFrames->sizes();
        for (const int size : current)
            sizes << size;
        settings->setValue(splitterKey, sizes);
    }
    settings->setValue(tabKey, ui.tabs->currentIndex());
}

void Framescope::closeEvent(QCloseEvent *event)
{
    saveWindowState();
    // The passes still running end on their own, each with its share of what it reads.
    dropFollowed();
    session->tasks().cancelAll();
    delete printJob;
    if (loadTimer)
        loadTimer->stop();
    QMainWindow::closeEvent(event);
}

} // namespace Korvex
