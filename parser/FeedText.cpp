#include "parser/FeedText.h"

#include <QDateTime>
#include <QLocale>

QString rssDateOfIsoDate(const QString& text) {
    const QString trimmed = text.trimmed();
    const QDateTime date = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    // A date without a zone is not RFC 3339: showing it with one would invent it.
    if (!date.isValid() || date.timeSpec() == Qt::LocalTime) return trimmed;
    const int offset = date.offsetFromUtc() / 60;
    const QChar sign = offset < 0 ? u'-' : u'+';
    return QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")) + sign +
           QStringLiteral("%1%2")
               .arg(qAbs(offset) / 60, 2, 10, QChar(u'0'))
               .arg(qAbs(offset) % 60, 2, 10, QChar(u'0'));
}

QString resolvedLink(const QUrl& base, const QString& href) {
    const QString trimmed = href.trimmed();
    if (trimmed.isEmpty()) return {};
    const QUrl given(trimmed, QUrl::TolerantMode);
    if (!given.isValid()) return trimmed;
    if (!given.isRelative() || !base.isValid() || base.isRelative()) return given.toString();
    return base.resolved(given).toString();
}

QString rssAuthor(const QString& name, const QString& email) {
    const QString n = name.simplified(), e = email.trimmed();
    if (!e.isEmpty() && !n.isEmpty()) return e + QStringLiteral(" (") + n + u')';
    return e.isEmpty() ? n : e;
}
