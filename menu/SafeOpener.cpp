#include "menu/SafeOpener.h"

#include "platform/AlertSound.h"
#include "platform/Workspace.h"

namespace {

bool openOrBeep(const QUrl& url) {
    if (platform::openURL(url)) return true;
    platform::beep();
    return false;
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

bool openWebLink(const QString& text) {
    // Feeds often wrap a link in the blanks and line breaks of their layout.
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!isWebURL(url)) {
        platform::beep();
        return false;
    }
    return openOrBeep(url);
}

namespace {

bool holdsControlCharacter(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.category() == QChar::Other_Control) return true;
    return false;
}

// The address a mail field names, as written (see mailURLForField).
QStringView addressOfField(QStringView field) {
    const qsizetype open = field.indexOf(u'<');
    if (open >= 0) {
        const qsizetype close = field.indexOf(u'>', open + 1);
        return close < 0 ? QStringView() : field.sliced(open + 1, close - open - 1).trimmed();
    }
    for (qsizetype i = 0; i < field.size();) {
        while (i < field.size() && (field[i] == u' ' || field[i] == u'(' || field[i] == u')'))
            ++i;
        qsizetype end = i;
        while (end < field.size() && field[end] != u' ' && field[end] != u'(' && field[end] != u')')
            ++end;
        const QStringView word = field.sliced(i, end - i);
        if (word.contains(u'@')) return word;
        i = end;
    }
    return {};
}

} // namespace

QString mailURLForField(const QString& field) {
    const QStringView trimmed = QStringView(field).trimmed();
    if (holdsControlCharacter(trimmed)) return {};
    QStringView address = addressOfField(trimmed);
    const QLatin1String prefix("mailto:");
    if (address.startsWith(prefix, Qt::CaseInsensitive)) address = address.sliced(prefix.size());
    const qsizetype query = address.indexOf(u'?');
    if (query >= 0) address.truncate(query);
    // Only a plain address goes on: "&attach=", "%3F" or a second recipient would
    // ride along to the mail program, whatever its own rules for them.
    if (!isPlainAddress(address)) return {};
    return prefix + address.toString();
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
