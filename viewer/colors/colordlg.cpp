// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/colors/colordlg.h"

#include "core/colors/colorfile.h"
#include "core/files/userdatafolder.h"
#include "viewer/dialogs/modaldialogs.h"

#include <QApplication>
#include <QBrush>
#include <QListWidgetItem>
#include <QPalette>

namespace Korvex {

namespace {

// The dialog's own texts share the form's translation context.
QString dialogText(const char *source)
{
    return QCoreApplication::translate("ColorDlg", source);
}

QColor toQColor(const ColorFile::Color &color)
{
    return color.valid ? QColor(color.red, color.green, color.blue) : QColor();
}

ColorFile::Color toFileColor(const QColor &color)
{
    return color.isValid() ? ColorFile::Color::fromRgb(color.red(), color.green(), color.blue())
                           : ColorFile::Color();
}

// A colour button shows its colour as its background; a missing colour shows as black.
QString buttonStyleSheet(const QColor &color)
{
    const QString name = color.isValid() ? color.name() : QStringLiteral("#000000");
    return QStringLiteral("background-color: %1").arg(name);
}

// An entry without a colour leaves the list's own colour in place, as in the frame table,
// instead of painting black.
void setItemColor(QListWidgetItem *item, Qt::ItemDataRole role, const QColor &color)
{
    if (color.isValid())
        item->setData(role, QBrush(color));
    else
        item->setData(role, QVariant());
}

QColor itemColor(const QListWidgetItem *item, Qt::ItemDataRole role)
{
    const QVariant value = item->data(role);
    return value.isValid() ? value.value<QBrush>().color() : QColor();
}

} // namespace

ColorDlg::ColorDlg()
    : QDialog(nullptr)
{
    ui.setupUi(this);
    loadColors(0, false);
    loadColors(1, false);
    fillColorList(currentVersion);
}

ColorDlg::~ColorDlg() = default;

void ColorDlg::loadColors(int version, bool defaults)
{
    const QString path = userDataFolder() + ColorFile::fileName(version, defaults);
    FrameColorScheme::Table &table = colors.table(version);
    // Cleared before the file is opened: a version whose file cannot be read has no colours.
    table.clear();

    const std::optional<ColorFile::Table> entries = ColorFile::read(path);
    if (!entries) {
        ModalDialogs::message(this, QMessageBox::Critical, dialogText("Error loading colors!"),
                              dialogText("Cannot open file %1!").arg(path));
        return;
    }
    for (auto it = entries->cbegin(); it != entries->cend(); ++it)
        table.insert(it.key(), FrameColors{toQColor(it->text), toQColor(it->background)});
}

void ColorDlg::saveColors(int version)
{
    const QString path = userDataFolder() + ColorFile::fileName(version, false);
    ColorFile::Table entries;
    const FrameColorScheme::Table &table = colors.table(version);
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        entries.insert(it.key(), ColorFile::Entry{toFileColor(it->textColor), toFileColor(it->bgColor)});

    if (!ColorFile::write(path, entries)) {
        ModalDialogs::message(this, QMessageBox::Critical, dialogText("Error saving colors!"),
                              dialogText("Cannot open file %1!").arg(path));
    }
}

void ColorDlg::saveAllColors()
{
    // Each version is saved even when the other one failed.
    saveColors(0);
    saveColors(1);
}

QColor ColorDlg::textColor(int version, const QString &name) const
{
    return colors.textColor(version, name);
}

QColor ColorDlg::bgColor(int version, const QString &name) const
{
    return colors.bgColor(version, name);
}

void ColorDlg::fillColorList(int version)
{
    // Clearing reports a change to no current item, which itemSelected passes over.
    ui.lstColors->clear();
    const FrameColorScheme::Table &table = colors.table(version);
    QListWidgetItem *first = nullptr;
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        auto *item = new QListWidgetItem(it.key(), ui.lstColors);
        setItemColor(item, Qt::ForegroundRole, it->textColor);
        setItemColor(item, Qt::BackgroundRole, it->bgColor);
        if (!first)
            first = item;
    }
    // With an empty table the buttons keep what they showed.
    if (first)
        ui.lstColors->setCurrentItem(first);
}

void ColorDlg::setListHighlight(QColor text, QColor bg)
{
    // The selected entry is drawn in its own colours rather than the system's selection
    // colours; a missing colour falls back to the system's.
    QPalette palette = ui.lstColors->palette();
    const QPalette system = QApplication::palette(ui.lstColors);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setBrush(group, QPalette::HighlightedText,
                         text.isValid() ? QBrush(text) : system.brush(group, QPalette::HighlightedText));
        palette.setBrush(group, QPalette::Highlight,
                         bg.isValid() ? QBrush(bg) : system.brush(group, QPalette::Highlight));
    }
    ui.lstColors->setPalette(palette);
}

void ColorDlg::reloadColors()
{
    loadColors(0, false);
    loadColors(1, false);
    fillColorList(currentVersion);
}

void ColorDlg::protocolVersionChanged(int index)
{
    currentVersion = index;
    fillColorList(index);
}

void ColorDlg::setDefaultColors()
{
    loadColors(0, true);
    loadColors(1, true);
    fillColorList(currentVersion);
}

void ColorDlg::itemSelected(QListWidgetItem *current, QListWidgetItem *previous)
{
    Q_UNUSED(previous);
    if (!current)
        return;
    const QColor text = itemColor(current, Qt::ForegroundRole);
    const QColor bg = itemColor(current, Qt::BackgroundRole);
    ui.btnTextColor->setStyleSheet(buttonStyleSheet(text));
    ui.btnBgColor->setStyleSheet(buttonStyleSheet(bg));
    setListHighlight(text, bg);
}

void ColorDlg::setTextColor()
{
    const QListWidgetItem *item = ui.lstColors->currentItem();
    if (!item || ModalDialogs::raiseOpen(this))
        return;
    const int version = currentVersion;
    const QString name = item->text();
    ModalDialogs::chooseColor(this, colors.table(version).value(name).textColor,
                              [this, version, name](const QColor &chosen) {
        FrameColorScheme::Table &table = colors.table(version);
        // The lookups read this table, so the frame table shows the change at its next repaint.
        table.insert(name, FrameColors{chosen, table.value(name).bgColor});
        ui.btnTextColor->setStyleSheet(buttonStyleSheet(chosen));
        QListWidgetItem *current = ui.lstColors->currentItem();
        if (!current)
            return;
        setItemColor(current, Qt::ForegroundRole, chosen);
        setListHighlight(chosen, itemColor(current, Qt::BackgroundRole));
    });
}

void ColorDlg::setBgColor()
{
    const QListWidgetItem *item = ui.lstColors->currentItem();
    if (!item || ModalDialogs::raiseOpen(this))
        return;
    const int version = currentVersion;
    const QString name = item->text();
    ModalDialogs::chooseColor(this, colors.table(version).value(name).bgColor,
                              [this, version, name](const QColor &chosen) {
        FrameColorScheme::Table &table = colors.table(version);
        table.insert(name, FrameColors{table.value(name).textColor, chosen});
        ui.btnBgColor->setStyleSheet(buttonStyleSheet(chosen));
        QListWidgetItem *current = ui.lstColors->currentItem();
        if (!current)
            return;
        setItemColor(current, Qt::BackgroundRole, chosen);
        setListHighlight(itemColor(current, Qt::ForegroundRole), chosen);
    });
}

} // namespace Korvex
