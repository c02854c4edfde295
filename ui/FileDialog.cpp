#include "FileDialog.h"

#include <QFileDialog>

namespace {
QString choose(QWidget *parent, const FileDialog::Request &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.caption, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (request.selectedFilter < request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.selectedFilter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
} // namespace

QString QtFileDialog::openFileName(QWidget *parent, const Request &request)
{
    return choose(parent, request, QFileDialog::AcceptOpen);
}

QString QtFileDialog::saveFileName(QWidget *parent, const Request &request)
{
    return choose(parent, request, QFileDialog::AcceptSave);
}
