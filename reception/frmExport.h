#pragma once

#include <QDialog>

#include <memory>

class DESKDB;
class FileDialog;
namespace Ui {
class frmExport;
}

/// Writes the history of a date range, from the current database or an archive, to a CSV file.
class frmExport : public QDialog
{
    Q_OBJECT

public:
    frmExport(DESKDB &desk, FileDialog &files, QWidget *parent = nullptr);
    ~frmExport() override;

    // The fixed entries at the top of the service list.
    enum ServicePosition
    {
        AllServices = 0,
        OtherService = 1
    };

    /// Exports with progress shown above this many rows.
    static constexpr int ProgressFrom = 3000;

    /// "All Reps", then every active representative by first name.
    void loadReps();
    /// "All Services", "Other Service (Specify Below)", then every active service by name.
    void loadServiceList();

private:
    void pathsChanged();
    void serviceChosen(int position);
    void browseDatabase();
    QString exportFolder() const;
    void browseOutput();
    void exportData();

    std::unique_ptr<Ui::frmExport> m_ui;
    DESKDB &m_desk;
    FileDialog &m_files;
};
