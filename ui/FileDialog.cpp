#include "FileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {
QString choose(QWidget *parent, const FileDialog::Request &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.caption, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    // A name typed without an extension gets the one of the chosen filter ("*.csv").
    const auto takeSuffixOf = [&dialog](const QString &filter) {
        static const QRegularExpression single(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
        dialog.setDefaultSuffix(single.match(filter).captured(1));
    };
    if (mode == QFileDialog::AcceptSave)
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, takeSuffixOf);
    if (request.selectedFilter < request.filters.size()) {
        dialog.selectNameFilter(request.filters.at(request.selectedFilter));
        if (mode == QFileDialog::AcceptSave)
            takeSuffixOf(request.filters.at(request.selectedFilter));
    }
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
