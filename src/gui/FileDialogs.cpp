#include "gui/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

QString QtFilterFrom(const QString& filter) {
    // Pairs of display text and pattern; only the display texts are needed,
    // as they carry the patterns in parentheses.
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList names;
    for (int i = 0; i < parts.size(); i += 2)
        names << parts[i];
    return names.join(QStringLiteral(";;"));
}

std::string ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFilterFrom(request.filter));
    QString extension = request.defaultExtension;
    extension.remove(QStringLiteral("*.")); // appended when the user typed none
    dialog.setDefaultSuffix(extension);
    if (!request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::string();
    return dialog.selectedFiles().first().toStdString();
}
