// `click` and `choose`: a user's clicks on signs and picks from the menu they pop
// up; every pop-up and every show or close of a window becomes an event line.
#include "app/headless/HeadlessHost.h"

#include "platform/AlertSound.h"
#include "platform/ContextMenu.h"
#include "platform/Window.h"
#include "platform/Workspace.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QWidget>

namespace {

// A title as the user reads it: "&&" shows one "&", a single "&" marks a mnemonic.
QString shownTitle(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size()) ++i;
        shown += text.at(i);
    }
    return shown;
}

// The tool tip the entry was given, as plain text; none when it only repeats the
// title (what an entry without a tool tip answers).
std::optional<QString> givenToolTip(const QAction* entry) {
    QAction probe;
    probe.setText(entry->text());
    const QString tip = entry->toolTip();
    if (tip == probe.toolTip()) return std::nullopt;
    if (Qt::mightBeRichText(tip)) return QTextDocumentFragment::fromHtml(tip).toPlainText();
    return tip;
}

QByteArray menuItemsJson(const QMenu* menu) {
    QByteArray json = "[";
    bool first = true;
    for (QAction* entry : menu->actions()) {
        if (!entry->isVisible()) continue;
        JsonLine item;
        item.add("title", shownTitle(entry->text()));
        QString name = entry->objectName();
        if (name.isEmpty() && entry->menu<QMenu*>()) name = entry->menu<QMenu*>()->objectName();
        if (!name.isEmpty()) item.add("name", name);
        if (const auto tip = givenToolTip(entry)) item.add("toolTip", *tip);
        if (entry->isSeparator()) item.add("separator", true);
        // Only the exception is written: readers of the older lines see no change.
        if (!entry->isEnabled()) item.add("enabled", false);
        if (const QMenu* submenu = entry->menu<QMenu*>()) item.addRaw("submenu", menuItemsJson(submenu));
        if (!first) json += ',';
        json += item.text();
        first = false;
    }
    return json + ']';
}

QAction* findEntry(const QMenu* menu, const QString& name) {
    for (QAction* entry : menu->actions()) {
        if (!entry->isVisible()) continue;
        if (entry->objectName() == name) return entry;
        if (const QMenu* submenu = entry->menu<QMenu*>())
            if (QAction* found = findEntry(submenu, name)) return found;
    }
    return nullptr;
}

void click(HeadlessHost& host, const QStringList& args) {
    bool ok = false;
    const int id = args.size() == 1 ? args.first().toInt(&ok) : 0;
    if (!ok) return host.error(QStringLiteral("click takes the id of a sign"));
    const std::optional<SignRegistry::Entry> entry = host.signs().find(id);
    if (!entry || !entry->sign)
        return host.error(QStringLiteral("no sign %1 on the ticker").arg(args.first()));
    const PNTickerSign& sign = *entry->sign;
    switch (sign.actionType()) {
    case PNPennantActionTypeCustom:
        if (!entry->client) return host.error(QStringLiteral("sign %1 has no client").arg(id));
        return entry->client->performAction(sign.actionString());
    case PNPennantActionTypeURL: {
        // The host opens only web pages that a sign names.
        const QUrl url(sign.actionString().trimmed(), QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
            !url.host().isEmpty()) {
            if (!platform::openURL(url)) platform::beep();
        } else {
            platform::beep();
        }
        return;
    }
    default:
        return host.error(QStringLiteral("sign %1 does nothing when clicked").arg(id));
    }
}

void choose(HeadlessHost& host, const QStringList& args) {
    if (args.size() != 1) return host.error(QStringLiteral("choose takes the name of a menu entry"));
    QMenu* menu = host.lastMenu;
    if (!menu) return host.error(QStringLiteral("no menu has popped up"));
    QAction* entry = findEntry(menu, args.first());
    if (!entry) return host.error(QStringLiteral("the menu holds no entry %1").arg(args.first()));
    if (!entry->isEnabled()) return host.error(QStringLiteral("%1 is disabled").arg(args.first()));
    entry->trigger();
}

void printWindow(QWidget* window, bool visible) {
    JsonLine line;
    line.add("event", "window").add("visible", visible);
    if (visible) {
        if (auto* label = window->findChild<QLabel*>(QStringLiteral("webNameLabel")))
            line.add("label", label->text());
        if (auto* view = window->findChild<QTextBrowser*>(QStringLiteral("webView")))
            line.add("html", view->property("loadedHTML").toString());
    }
    events::print(line);
}

} // namespace

void registerMenuCommands(HeadlessHost& host) {
    platform::setContextMenuPresenter([&host](QMenu* menu, QWidget*) {
        host.lastMenu = menu;
        events::print(JsonLine().add("event", "menu").addRaw("items", menuItemsJson(menu)));
    });
    platform::setWindowObserver(printWindow);
    host.registerCommand(QStringLiteral("click"),
                         [&host](const QStringList& args, const QString&) { click(host, args); });
    host.registerCommand(QStringLiteral("choose"),
                         [&host](const QStringList& args, const QString&) { choose(host, args); });
}
