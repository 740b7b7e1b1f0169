#include "menu/SafeOpener.h"

#include "platform/AlertSound.h"
#include "platform/Workspace.h"

namespace {

void openOrBeep(const QUrl& url) {
    if (!platform::openURL(url)) platform::beep();
}

// Letters and digits, of any script: nothing a mail program reads as syntax.
bool isLetterOrDigit(QChar c) {
    if (c.unicode() >= 0x80) return c.isLetterOrNumber();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The few marks addresses use; never "?", "&", "%", "#", ",", ";", blanks, line
// breaks, quotes or brackets, which a mail program could read as more than one.
bool isLocalPartCharacter(QChar c) {
    return isLetterOrDigit(c) || QStringView(u".!$'*+/=_~-").contains(c);
}

bool isDomainLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')) return false;
    for (const QChar c : label)
        if (c != u'-' && !isLetterOrDigit(c)) return false;
    return true;
}

// A plain address: a local part and a domain of dot-separated labels, nothing else.
bool isPlainAddress(QStringView address) {
    const qsizetype at = address.indexOf(u'@');
    if (at <= 0 || address.lastIndexOf(u'@') != at) return false;
    const QStringView local = address.left(at);
    if (local.startsWith(u'.') || local.endsWith(u'.') || local.contains(u"..")) return false;
    for (const QChar c : local)
        if (!isLocalPartCharacter(c)) return false;
    const QStringView domain = address.mid(at + 1);
    if (domain.isEmpty() || domain.size() > 253) return false;
    for (const QStringView label : domain.split(u'.'))
        if (!isDomainLabel(label)) return false;
    return true;
}

} // namespace

bool isWebURL(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

void openWebLink(const QString& text) {
    // Feeds often wrap a link in the blanks and line breaks of their layout.
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!isWebURL(url)) return platform::beep();
    openOrBeep(url);
}

QString mailURLForField(const QString& field) {
    QString text;
    text.reserve(7);
    const QString prefix = QStringLiteral("mailto:");
    if (!field.startsWith(prefix)) text += prefix;
    const qsizetype space = field.indexOf(u' ');
    text += space >= 0 ? field.left(space) : field;
    const qsizetype query = text.indexOf(u'?');
    if (query >= 0) text.truncate(query);
    // Only a plain address goes on: "&attach=", "%3F" or a second recipient would
    // ride along to the mail program, whatever its own rules for them.
    if (!isPlainAddress(QStringView(text).mid(prefix.size()))) return {};
    return text;
}

void openMailField(const QString& field) {
    const QString text = mailURLForField(field);
    if (text.isEmpty()) return platform::beep();
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("mailto")) return platform::beep();
    openOrBeep(url);
}

void openClickedLink(const QUrl& url) {
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
        // The link's own scheme may be in capitals; the mail rule wants it exact.
        return openMailField(QStringLiteral("mailto:") + url.toString(QUrl::FullyEncoded).mid(7));
    }
    if (!isWebURL(url)) return platform::beep();
    openOrBeep(url);
}
