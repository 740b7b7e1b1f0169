#include "menu/SafeOpener.h"

#include "platform/AlertSound.h"
#include "platform/Workspace.h"

namespace {

void openOrBeep(const QUrl& url) {
    if (!platform::openURL(url)) platform::beep();
}

bool holdsForbiddenMailCharacter(const QString& text) {
    for (const QChar c : text)
        if (c == u'\r' || c == u'\n' || c == u',') return true;
    return false;
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
    // Percent-encoded line breaks and commas work on a mail program just as well.
    if (holdsForbiddenMailCharacter(text) ||
        holdsForbiddenMailCharacter(QUrl::fromPercentEncoding(text.toUtf8())))
        return {};
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
