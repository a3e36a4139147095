#pragma once
// The open and save dialogs of the windows, described as the templates give
// them ("Text (*.ext)|*.ext|...||" filters, a default extension such as
// "*.avi", an overwrite prompt) and shown with QFileDialog.

#include <QString>

#include <functional>
#include <string>

class QWidget;

struct FileDialogRequest {
    bool save = false;
    QString filter;           // "AVI Files (*.avi)|*.avi|All Files (*.*)|*.*||"
    QString defaultExtension; // "*.avi"
    bool overwritePrompt = false;
};

inline const char* const AVI_FILTER = "AVI Files (*.avi)|*.avi|All Files (*.*)|*.*||";
inline const char* const INI_FILTER = "INI Files (*.ini)|*.ini|All Files (*.*)|*.*||";

// The chosen path, "" on Cancel.
using FileChooser = std::function<std::string(const FileDialogRequest& request)>;

// "AVI Files (*.avi);;All Files (*.*)" from the template form.
QString QtFilterFrom(const QString& filter);
// The default chooser: a QFileDialog over `parent`.
std::string ChooseFileWithDialog(QWidget* parent, const FileDialogRequest& request);
