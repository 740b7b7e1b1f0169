#pragma once
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace platform {

// Asks the user for a file to read or to write, in the desktop's file dialog; a
// host without a desktop installs its own chooser. Nothing when the user cancels.
// The dialog opens in the home folder, then in the folder of the file chosen last.
enum class FileChoice { Open, Save };
std::optional<QString> chooseFile(FileChoice choice, QWidget* parent, const QString& title,
                                  const QString& filter, const QString& defaultSuffix = {});

using FileChooser = std::function<std::optional<QString>(FileChoice choice, const QString& title)>;
void setFileChooser(FileChooser chooser);

// The folder the next dialog opens in.
QString fileChooserFolder();
// Back to the home folder, as at start.
void forgetFileChooserFolder();

} // namespace platform
