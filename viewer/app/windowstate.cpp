#include "viewer/app/framescope.h"

#include <QCloseEvent>
#include <QSettings>

namespace Korvex {

namespace {

const QString geometryKey = QStringLiteral("WindowGeometry");
const QString splitterKey = QStringLiteral("SplitterSizes");
const QString tabKey = QStringLiteral("CurrentTab");

} // namespace

void Framescope::restoreWindowState()
{
    // Nothing stored, or nothing usable: the window keeps the size and split of its form.
    const QVariant geometry = settings->value(geometryKey);
    if (geometry.typeId() == QMetaType::QByteArray)
        restoreGeometry(geometry.toByteArray());

    // Written as a list of numbers, which the settings file gives back as strings.
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
        if (sizes.size() == ui.splFrames->count() && sizes != QList<int>(sizes.size(), 0))
            ui.splFrames->setSizes(sizes);
    }

    bool ok = false;
    const int tab = settings->value(tabKey).toInt(&ok);
    if (ok && tab >= 0 && tab < ui.tabs->count())
        ui.tabs->setCurrentIndex(tab);
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
    QMainWindow::closeEvent(event);
}

} // namespace Korvex
