#include "platform/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <mutex>

namespace platform {

namespace {

std::mutex chooserMutex;
FileChooser installedChooser;
QString lastFolder; // of the file chosen last; empty: none chosen yet

} // namespace

void setFileChooser(FileChooser chooser) {
    std::lock_guard guard(chooserMutex);
    installedChooser = std::move(chooser);
}

QString fileChooserFolder() {
    std::lock_guard guard(chooserMutex);
    // Not where the program happened to start: that folder means nothing to the user.
    return !lastFolder.isEmpty() && QFileInfo(lastFolder).isDir() ? lastFolder : QDir::homePath();
}

void forgetFileChooserFolder() {
    std::lock_guard guard(chooserMutex);
    lastFolder.clear();
}

std::optional<QString> chooseFile(FileChoice choice, QWidget* parent, const QString& title,
                                  const QString& filter, const QString& defaultSuffix) {
    FileChooser chooser;
    {
        std::lock_guard guard(chooserMutex);
        chooser = installedChooser;
    }
    if (chooser) return chooser(choice, title);
    QFileDialog dialog(parent, title, fileChooserFolder(), filter);
    dialog.setAcceptMode(choice == FileChoice::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(choice == FileChoice::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    std::lock_guard guard(chooserMutex);
    lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace platform
