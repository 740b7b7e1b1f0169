#include "platform/ContentType.h"

#include <QList>
#include <cctype>

namespace platform {

QByteArray charsetOf(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset") continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        // A name, not a place for anything else.
        for (char c : value)
            if (!(std::isalnum(uchar(c)) || c == '-' || c == '_' || c == '.' || c == ':')) return {};
        return value;
    }
    return {};
}

} // namespace platform
