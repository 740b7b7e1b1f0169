#pragma once
#include <QString>
#include <QStringList>

namespace platform {

// The text of an interface file cut down to some of its root's widgets: those
// named in parts, the actions their menus add, and the root's own properties.
// Loading a part builds only its widgets, so a window nobody opens costs
// nothing. An empty text when the file is not well formed or names none of parts.
QString interfacePart(const QString& uiText, const QStringList& parts);

} // namespace platform
