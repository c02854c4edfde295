#pragma once

#include <QDialog>

#include <memory>

class lobbyDB;
namespace Ui {
class frmPref;
}

/// The options window: the username that ties this desk to a representative, how the
/// notification sounds and whether the mini window stays on top. The poll rests while it is open.
class frmPref : public QDialog
{
    Q_OBJECT

public:
    frmPref(lobbyDB &program, QWidget *parent = nullptr);
    ~frmPref() override;

    /// Cancel, Escape and the window's frame: without a valid user the program cannot go on.
    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void soundFileToggled(bool ticked);
    void browse();
    void update();

    std::unique_ptr<Ui::frmPref> m_ui;
    lobbyDB &m_program;
};
