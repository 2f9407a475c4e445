// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/views/generatedlg.h"

#include "ui_generatedlg.h"

namespace Korvex {

GenerateDlg::GenerateDlg(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::GenerateDlg>())
{
    ui->setupUi(this);
    // The spin box refuses a digit that would leave its range without a word: the label says
    // what it takes.
    ui->lblCount->setText(tr("Number of frames (%1 \u2013 %2):").arg(MinFrames).arg(MaxFrames));
    ui->sbCount->setRange(MinFrames, MaxFrames);
    ui->sbCount->setValue(10);
}

GenerateDlg::~GenerateDlg() = default;

int GenerateDlg::frameCount() const
{
    return ui->sbCount->value();
}

bool GenerateDlg::realisticTraffic() const
{
    return ui->cbTraffic->isChecked();
}

} // namespace Korvex
