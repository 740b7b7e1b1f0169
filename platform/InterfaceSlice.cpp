#include "platform/InterfaceSlice.h"

#include <QSet>
#include <QXmlStreamReader>

namespace platform {

namespace {

struct RootChild {
    QString tag;
    QString name;
    qint64 begin = 0; // its start tag's "<"
    qint64 end = 0;
    QSet<QString> addedActions;
};

} // namespace

QString interfacePart(const QString& uiText, const QStringList& parts) {
    QXmlStreamReader reader(uiText);
    QList<RootChild> children;
    bool rootEnded = false;
    int depth = 0; // ui = 1, the root widget = 2, its children = 3
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (depth == 3) {
                RootChild child;
                child.tag = reader.name().toString();
                child.name = reader.attributes().value(QStringLiteral("name")).toString();
                // The reader may have read past the tag: the last "<" before the
                // tag's end is where it begins (no attribute value holds one).
                child.begin = uiText.lastIndexOf(u'<', reader.characterOffset() - 1);
                children.append(child);
            } else if (depth > 3 && reader.name() == QLatin1String("addaction") && !children.isEmpty()) {
                children.last().addedActions.insert(
                    reader.attributes().value(QStringLiteral("name")).toString());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 3) children.last().end = reader.characterOffset();
            if (depth == 2) rootEnded = true;
            --depth;
        }
    }
    if (reader.hasError() || children.isEmpty() || !rootEnded) return {};

    QSet<QString> actions;
    bool found = false;
    for (const RootChild& child : children)
        if (child.tag == QLatin1String("widget") && parts.contains(child.name)) {
            actions.unite(child.addedActions);
            found = true;
        }
    if (!found) return {};
    QString text = uiText.left(children.first().begin);
    for (const RootChild& child : children) {
        const bool keep = child.tag == QLatin1String("widget")   ? parts.contains(child.name)
                          : child.tag == QLatin1String("action") ? actions.contains(child.name)
                                                                 : true;
        if (keep) {
            text += QStringView(uiText).mid(child.begin, child.end - child.begin);
            text += u'\n';
        }
    }
    text += QStringView(uiText).mid(children.last().end);
    return text;
}

} // namespace platform
