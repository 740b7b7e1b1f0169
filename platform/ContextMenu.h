#pragma once
#include <functional>

class QMenu;
class QWidget;

namespace platform {

// Pops a menu up as a context menu over a view at the pointer. The host may take
// the pop-up over (the headless host prints the menu instead).
void popUpContextMenu(QMenu* menu, QWidget* view);

using ContextMenuPresenter = std::function<void(QMenu* menu, QWidget* view)>;
void setContextMenuPresenter(ContextMenuPresenter presenter);

} // namespace platform
