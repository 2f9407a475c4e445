// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef VIEWER_VIEWS_GENERATEDLG_H
#define VIEWER_VIEWS_GENERATEDLG_H

#include <QDialog>

#include <memory>

namespace Ui {
class GenerateDlg;
}

namespace Korvex {

/// Asks how many frames "Generate DigRF file" writes, and whether they are random frames or
/// realistic traffic.
class GenerateDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MinFrames = 1;
    static constexpr int MaxFrames = 10000;

    explicit GenerateDlg(QWidget *parent = nullptr);
    ~GenerateDlg() override;

    int frameCount() const;
    bool realisticTraffic() const;

private:
    std::unique_ptr<Ui::GenerateDlg> ui;
};

} // namespace Korvex

#endif // VIEWER_VIEWS_GENERATEDLG_H
