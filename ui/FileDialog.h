#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// Every file dialog of the programs goes through this interface, so that tests can answer it.
class FileDialog
{
public:
    struct Request
    {
        QString caption;
        QString folder;      // where the dialog starts
        QStringList filters; // "Description (patterns)"
        int selectedFilter = 0;
    };

    virtual ~FileDialog() = default;

    /// The chosen existing file's full path; empty when cancelled.
    virtual QString openFileName(QWidget *parent, const Request &request) = 0;
    /// The chosen file to write; empty when cancelled. Never asks about overwriting.
    virtual QString saveFileName(QWidget *parent, const Request &request) = 0;
};

/// The programs' file dialogs: QFileDialog, centred on its window.
class QtFileDialog final : public FileDialog
{
public:
    QString openFileName(QWidget *parent, const Request &request) override;
    QString saveFileName(QWidget *parent, const Request &request) override;
};
