#include "platform/FileChooser.h"

#include <QFileDialog>
#include <mutex>

namespace platform {

namespace {

std::mutex chooserMutex;
FileChooser installedChooser;

} // namespace

void setFileChooser(FileChooser chooser) {
    std::lock_guard guard(chooserMutex);
    installedChooser = std::move(chooser);
}

std::optional<QString> chooseFile(FileChoice choice, QWidget* parent, const QString& title,
                                  const QString& filter, const QString& defaultSuffix) {
    FileChooser chooser;
    {
        std::lock_guard guard(chooserMutex);
        chooser = installedChooser;
    }
    if (chooser) return chooser(choice, title);
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(choice == FileChoice::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(choice == FileChoice::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace platform
