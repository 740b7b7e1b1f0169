#pragma once
#include <QString>

namespace platform {

// Files this process keeps (the host's settings file) and must never see replaced
// by something else it writes on the user's word, such as an exported feed list.
// Safe from any thread.
void guardFile(const QString& path);
void unguardFile(const QString& path);

// Why a file must not be written at the user's word, or empty when it may: a path
// holding a NUL character (no file name can, and the system would cut the path
// there), or one that names a guarded file, also through a link.
QString whyNotWritable(const QString& path);
// Why a path cannot name a file to read, or empty: a NUL character inside.
QString whyNotReadable(const QString& path);

// A path as the user can read it back: a NUL shows as "\0".
QString shownPath(const QString& path);

} // namespace platform
