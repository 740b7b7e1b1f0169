#pragma once
#include "host/PNProtocols.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QListWidget;
class QStackedWidget;

// The host's preferences window: one page per plug-in that has a pane, showing the
// pane's main view. Showing a page calls the pane's willSelect, putting it away
// (closing the window or turning to another page) its willUnselect. The views stay
// the plug-ins': they are lent to the pages and given back before the window goes.
// Its Close button and the Escape key close it. It opens within the free area of
// its screen, clear of the strip; pages taller than that scroll.
class PreferencesWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PreferencesWindow(const QList<PNPrefPaneProtocol*>& panes, QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    int pageCount() const { return int(pages_.size()); }
    // Shows the window (in front) with the current page selected.
    void open();
    // Closes the window if it is open (the shown pane gets willUnselect).
    void dismiss();
    void selectPage(int index);
    // The pane whose page is shown and selected, or null.
    PNPrefPaneProtocol* selectedPane() const { return selected_; }
    // Gives every view back to its plug-in (also done on destruction).
    void returnViews();
    // The window (the strip's) that this one never covers.
    void keepClearOf(QWidget* window) { clearOf_ = window; }
    // Where the window may go: its screen's available area, clear of that window.
    QRect freeArea() const;
    // Fits the window, frame and all, into the free area.
    void fitToFreeArea();

  signals:
    // The window was closed and its pane put away.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Page {
        PNPrefPaneProtocol* pane = nullptr;
        QWidget* holder = nullptr;
        QPointer<QWidget> view;
        QPointer<QWidget> formerParent;
        bool lent = false;
    };

    void lendView(Page& page);
    void showPage(int index);

    QList<Page> pages_;
    QListWidget* list_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    PNPrefPaneProtocol* selected_ = nullptr;
    QPointer<QWidget> clearOf_;
    QMargins frame_; // what the window manager's frame adds, once known
};
