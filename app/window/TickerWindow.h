#pragma once
#include "app/window/HostSettings.h"
#include "app/window/TickerStrip.h"

#include <QWidget>

class QLabel;
class QMenu;
class QScreen;
class QToolButton;

// The ticker's top-level window: a frameless, always-on-top strip across the full
// width of one screen (the primary unless another is chosen), docked at its top or
// bottom edge, with a one-line notice under (or over) the strip when there is
// something the user must know. On X11 it is a dock that reserves its height.
class TickerWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TickerWindow(SignRegistry& signs, QWidget* parent = nullptr);

    TickerStrip* strip() const { return strip_; }
    HostSettings::DockEdge dockEdge() const { return dockEdge_; }
    void setDockEdge(HostSettings::DockEdge edge);
    // Shows a notice (empty: none); the user can dismiss it.
    void setNotice(const QString& text);
    QString notice() const { return notice_; }
    bool isNoticeShown() const;
    void setPreferencesAvailable(bool available) { preferencesAvailable_ = available; }
    // The screen to dock on, by name; empty, or a screen that is gone: the primary.
    void setScreenName(const QString& name);
    QScreen* targetScreen() const;

    // The host's own menu, as a right click shows it (owned by the caller).
    QMenu* makeHostMenu();
    // Puts the window at its edge of its screen (and reserves the space there).
    void placeOnScreen();

  signals:
    void preferencesRequested();
    void refreshRequested();
    void quitRequested();
    void dockEdgeChosen(HostSettings::DockEdge edge);
    void screenChosen(const QString& name);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();
    void showNoticeText();
    void watchScreens();
    void addScreenMenu(QMenu* menu);

    TickerStrip* strip_;
    QWidget* noticeBar_;
    QLabel* noticeLabel_;
    QToolButton* dismissButton_;
    QString notice_;
    HostSettings::DockEdge dockEdge_ = HostSettings::DockEdge::Bottom;
    QString screenName_;
    QList<QMetaObject::Connection> screenWatch_;
    bool dockMade_ = false;
    bool preferencesAvailable_ = false;
};
