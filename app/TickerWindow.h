#pragma once
#include "app/HostSettings.h"
#include "app/TickerStrip.h"

#include <QWidget>

class QLabel;
class QMenu;
class QScreen;
class QToolButton;

// The ticker's top-level window: a frameless, always-on-top strip across the full
// width of the primary screen, docked at its top or bottom edge, with a one-line
// notice under (or over) the strip when there is something the user must know.
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

    // The host's own menu, as a right click shows it (owned by the caller).
    QMenu* makeHostMenu();
    // Puts the window at its edge of the primary screen.
    void placeOnScreen();

  signals:
    void preferencesRequested();
    void refreshRequested();
    void quitRequested();
    void dockEdgeChosen(HostSettings::DockEdge edge);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();
    void showNoticeText();
    void watchScreen(QScreen* screen);

    TickerStrip* strip_;
    QWidget* noticeBar_;
    QLabel* noticeLabel_;
    QToolButton* dismissButton_;
    QString notice_;
    HostSettings::DockEdge dockEdge_ = HostSettings::DockEdge::Bottom;
    bool preferencesAvailable_ = false;
};
