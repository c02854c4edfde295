#pragma once

#include "ProgramInfo.h"

#include <QDialog>

#include <memory>

namespace Ui {
class AboutWindow;
}

/// The about window `frmAbout`: the program's name, version and legal notice.
class AboutWindow : public QDialog
{
    Q_OBJECT

public:
    explicit AboutWindow(const ProgramInfo &info, QWidget *parent = nullptr);
    ~AboutWindow() override;

private:
    std::unique_ptr<Ui::AboutWindow> m_ui;
};
