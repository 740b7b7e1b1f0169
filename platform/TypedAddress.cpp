#include "platform/TypedAddress.h"

#include <QUrl>

namespace platform {
namespace {

QString withoutFeedPrefix(const QString& typed) {
    QString text = typed.trimmed();
    if (text.startsWith(QLatin1String("feed:"), Qt::CaseInsensitive)) {
        text = text.mid(5);
        if (text.startsWith(QLatin1String("//"))) text.prepend(QStringLiteral("https:"));
    }
    return text;
}

// "example.org:8080/feed" would read as a scheme "example.org": only "://" says
// that a scheme was typed.
bool hasScheme(const QString& text) {
    return text.contains(QLatin1String("://")) ||
           text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

std::optional<QString> refused(QString* why, const QString& reason) {
    if (why) *why = reason;
    return std::nullopt;
}

} // namespace

bool typedWithoutScheme(const QString& typed) {
    return !hasScheme(withoutFeedPrefix(typed));
}

std::optional<QString> typedFeedAddress(const QString& typed, QString* why) {
    QString text = withoutFeedPrefix(typed);
    if (text.isEmpty()) return refused(why, QStringLiteral("an address is needed, such as example.org/feed"));
    for (const QChar c : std::as_const(text))
        if (c.isSpace()) return refused(why, QStringLiteral("an address holds no spaces"));
    if (!hasScheme(text)) {
        const QString host = text.section(u'/', 0, 0).section(u':', 0, 0);
        // A bare word is more likely a slip than a host on the local network.
        if (!host.contains(u'.') && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
            !host.startsWith(u'['))
            return refused(
                why,
                QStringLiteral("\"%1\" is no site's name; an address looks like example.org/feed").arg(host));
        text.prepend(QStringLiteral("https://"));
    }
    // The rule of a feed record's URL: http or https with a host, or a file.
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid()) return refused(why, QStringLiteral("it is not a well-formed address"));
    if (scheme != u"http" && scheme != u"https" && scheme != u"file")
        return refused(why, QStringLiteral("only http, https and file addresses can be read"));
    if (scheme == u"file" ? url.path().isEmpty() : url.host().isEmpty())
        return refused(why, scheme == u"file" ? QStringLiteral("it names no file")
                                              : QStringLiteral("it names no site after %1://").arg(scheme));
    return text;
}

} // namespace platform
