#pragma once
#include "core/InterfacePart.h"
#include "menu/DescriptionWindow.h"
#include "menu/FeedListCommands.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <memory>
#include <optional>

class FeedSchedule;
class FeedStore;
class PluginPreferences;
class QAction;
class QMenu;

// The information menu a click on a sign pops up: it shows the clicked item and
// its feed, offers only the entries the item and channel have values for, and
// runs the command the user picks on the item the click named. Its menu comes
// from the interface file the first time a sign is clicked. Main thread.
class InfoMenuController : public QObject {
    Q_OBJECT
  public:
    InfoMenuController(FeedStore& store, FeedSchedule& schedule, PluginPreferences& preferences,
                       BundleSource bundle);
    ~InfoMenuController() override;

    struct Outlets {
        QMenu* infoMenu = nullptr;
        QAction* itemTitleItem = nullptr;
        QAction* feedTitleItem = nullptr;
        QAction* closeItem = nullptr;
        QAction* copyrightItem = nullptr;
        QAction* downloadEnclosureItem = nullptr;
        QAction* emailAuthorItem = nullptr;
        QAction* emailManagingEditorItem = nullptr;
        QAction* emailWebmasterItem = nullptr;
        QAction* feedCategoryItem = nullptr;
        QAction* feedPublicationDateItem = nullptr;
        QAction* generatorItem = nullptr;
        QAction* itemCategoryItem = nullptr;
        QAction* itemPublicationDateItem = nullptr;
        QAction* languageItem = nullptr;
        QAction* lastBuildDateItem = nullptr;
        QAction* openCommentsPageItem = nullptr;
        QAction* openItemLinkInBrowserItem = nullptr;
        QAction* openFeedLinkInBrowserItem = nullptr;
        QAction* showFullFeedDescriptionItem = nullptr;
        QAction* showFullItemDescriptionItem = nullptr;
        QAction* sourceItem = nullptr;
        QAction* subscribeToSourceItem = nullptr;
        QAction* unsubscribeFromFeedItem = nullptr;
        QAction* setUpdateIntervalToItem = nullptr;
        QAction* dontShowAgainItem = nullptr;
    };
    // Loads the menu unless it is loaded; false when it cannot be.
    bool load();
    const Outlets& outlets() const { return outlets_; }
    const QString& loadError() const { return part_.error(); }
    DescriptionWindow& descriptionWindow() { return description_; }
    FeedListCommands& commands() { return commands_; }

    // A click on an item's sign: action is "index,feedURL".
    void performAction(const QString& action);
    // Opens the link of the item the action names, without the menu; an item
    // that is gone or has no web link sounds the alert. Returns whether it opened.
    bool openItemLink(const QString& action);

  public slots:
    // Every command entry sends this, with itself as sender.
    void doActionableMenuItem(QObject* sender);

  private:
    struct Click;
    // What an action string names now, if the store still has it.
    std::optional<Click> clickFor(const QString& action) const;
    void showClick(const Click& click);
    void updateItemInfo(const FeedItem& item);
    void updateFeedInfo(const FeedChannel& channel);

    FeedStore& store_;
    PluginPreferences& preferences_;
    InterfacePart part_;
    FeedListCommands commands_;
    DescriptionWindow description_;
    Outlets outlets_;
    // The item the last click named, kept beside the command context so that a
    // command can tell that an update has since put another item at its index.
    FeedItem clickedItem_;
    // The entries the controller takes out of and puts back into its menus: it
    // owns them, so one out of its menu lives on.
    QList<QPointer<QAction>> heldMenuItems_;
};
