#pragma once
// Documents built for the parser's tests, shared with the feed tests that send
// them through a whole update.
#include <QByteArray>
#include <QString>
#include <QStringEncoder>

inline QByteArray rss(const QByteArray& channelBody) {
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel>" + channelBody + "</channel></rss>\n";
}

// The references go into a title, or into an attribute when inAttribute.
inline QByteArray billionLaughs(bool inAttribute = false) {
    QByteArray dtd = "<!DOCTYPE rss [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 10; ++i)
        dtd += QStringLiteral("<!ENTITY lol%1 \"%2\">\n")
                   .arg(i)
                   .arg(QStringLiteral("&lol%1;").arg(i - 1).repeated(10))
                   .toUtf8();
    const QByteArray body =
        inAttribute ? "<item><enclosure url=\"&lol10;\"/></item>" : "<title>&lol10;</title>";
    return "<?xml version=\"1.0\"?>\n" + dtd + "]>\n<rss><channel>" + body + "</channel></rss>\n";
}

inline QByteArray toUtf16WithMark(const QByteArray& utf8) {
    QByteArray out("\xFF\xFE", 2);
    const QString text = QString::fromUtf8(utf8).replace(
        QStringLiteral("version=\"1.0\""), QStringLiteral("version=\"1.0\" encoding=\"UTF-16\""));
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

inline QByteArray manyAttributes(int count, const char* name = "a") {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += ' ' + QByteArray(name) + QByteArray::number(i) + "=\"\"";
    return out;
}

inline QByteArray encoded(const char* encoding, const QString& text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}
