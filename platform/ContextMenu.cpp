#include "platform/ContextMenu.h"

#include <QCursor>
#include <QMenu>

namespace platform {
namespace {
ContextMenuPresenter presenter;
}

void popUpContextMenu(QMenu* menu, QWidget* view) {
    if (!menu) return;
    if (presenter) {
        presenter(menu, view);
        return;
    }
    menu->popup(QCursor::pos());
}

void setContextMenuPresenter(ContextMenuPresenter newPresenter) {
    presenter = std::move(newPresenter);
}

} // namespace platform
