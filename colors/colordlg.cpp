#include "colors/colordlg.h"

namespace Korvex {

ColorDlg::ColorDlg()
    : QDialog(nullptr)
{
}

ColorDlg::~ColorDlg() = default;

void ColorDlg::loadColors(int version, bool defaults)
{
    Q_UNUSED(version);
    Q_UNUSED(defaults);
}

void ColorDlg::saveColors(int version)
{
    Q_UNUSED(version);
}

void ColorDlg::saveAllColors()
{
    saveColors(0);
    saveColors(1);
}

const QMap<QString, FrameColors> &ColorDlg::table(int version) const
{
    return version == 0 ? colors3G : colorsV4;
}

QColor ColorDlg::textColor(int version, const QString &name) const
{
    const auto &colors = table(version);
    const auto it = colors.constFind(name);
    return it == colors.constEnd() ? QColor() : it->textColor;
}

QColor ColorDlg::bgColor(int version, const QString &name) const
{
    const auto &colors = table(version);
    const auto it = colors.constFind(name);
    return it == colors.constEnd() ? QColor() : it->bgColor;
}

void ColorDlg::fillColorList(int version)
{
    Q_UNUSED(version);
}

void ColorDlg::setListHighlight(QColor text, QColor bg)
{
    Q_UNUSED(text);
    Q_UNUSED(bg);
}

void ColorDlg::reloadColors()
{
}

void ColorDlg::protocolVersionChanged(int index)
{
    currentVersion = index;
}

void ColorDlg::setDefaultColors()
{
}

void ColorDlg::itemSelected(QListWidgetItem *current, QListWidgetItem *previous)
{
    Q_UNUSED(current);
    Q_UNUSED(previous);
}

void ColorDlg::setTextColor()
{
}

void ColorDlg::setBgColor()
{
}

} // namespace Korvex
