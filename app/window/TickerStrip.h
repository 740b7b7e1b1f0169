#pragma once
#include "app/shared/SignRegistry.h"
#include "app/window/SignPixmap.h"
#include "app/window/StripAppearance.h"
#include "app/window/StripOverlay.h"

#include <QCache>
#include <QList>
#include <QPainter>
#include <QPair>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>

// The scrolling strip: the signs of the registry pass from right to left in posting
// order, each followed by a gap, and start over right behind the last, so the strip
// is never blank while it holds signs (a few short signs repeat across it). A sign
// is rendered into a pixmap as it enters; a frame moves
// the painted pixels and paints only the column that came into view, and the frame
// clock runs only while something scrolls. Signs that left keep their pictures
// only while those fit in a fixed budget: thousands of signs pass in a day, each
// picture tens of kilobytes.
class TickerStrip : public QWidget {
    Q_OBJECT
  public:
    struct Placement {
        int id = 0;
        int x = 0; // left edge, logical pixels
        int width = 0;
    };

    static constexpr int gap = 40; // between two signs, logical pixels
    static constexpr int maximumFps = 60;
    // The pictures kept for signs off the strip, in bytes: every sign of a small
    // ticker comes round again without being drawn anew.
    static constexpr qint64 offStripPixmapBudget = 4 << 20;

    explicit TickerStrip(SignRegistry& signs, QWidget* parent = nullptr);

    // Asks for the registry's signs to be taken over on the main thread; safe from
    // any thread and never waits. Bursts of calls make one update.
    void scheduleSync();
    // Takes the registry's signs over now (main thread).
    void syncSigns();

    double speed() const { return speed_; }
    void setSpeed(double pixelsPerSecond);
    bool isPaused() const { return paused_; }
    void setPaused(bool paused);
    // Whether the strip stands still because the pointer rests on it.
    bool isHoverPaused() const { return hoverPaused_ && pauseOnHover_; }
    // Whether resting the pointer on the strip stops it (on by default).
    bool pausesOnHover() const { return pauseOnHover_; }
    void setPauseOnHover(bool pause);
    // Checks where the pointer is now: over the strip it holds still, elsewhere it
    // goes on, whatever enter and leave events came or failed to come. The strip
    // also checks every hoverCheckMs while it holds still for the pointer, and as
    // soon as a window of the application opens, closes or takes the focus.
    void checkHover();
    static constexpr int hoverCheckMs = 250;
    // Whether the frame clock runs.
    bool isScrolling() const { return clock_.isActive(); }
    int frameInterval() const { return clock_.interval(); }
    int pixelsPerFrame() const { return step_; }
    // Pixels scrolled since the strip was made.
    qint64 scrolledPixels() const { return scrolled_; }

    // Moves the signs left by pixels, as frames would.
    void advance(int pixels);
    // The signs on the strip, left to right.
    QList<Placement> placements() const { return placements_; }
    // The id of the sign at a point of the strip, or 0.
    int signIdAt(const QPoint& point) const;
    // Does what a click on the sign asks: the client's custom action or the link.
    void activateSign(int id);
    // Opens the sign's link at once, skipping its menu: a URL sign's own link, or
    // what its client opens for it (PNActionLinkOpener). Sounds the alert when the
    // sign has none. Returns whether a link was opened.
    bool openSignLinkOf(int id);
    // Whether a click on the sign does anything.
    bool isClickable(int id) const;

    // The sign the keyboard's focus mark is on (0: none). The strip holds still
    // while the mark shows, so the marked sign stays where the user looks.
    int markedSign() const { return markedId_; }
    void setMarkedSign(int id);
    // The sign wholly or partly on the strip next to the marked one in direction
    // (-1 left, +1 right), or the first from the left when none is marked; 0 when
    // the strip shows none.
    int neighbourOfMark(int direction) const;
    // Where a sign is on the strip (its first place from the left), or an empty rect.
    QRect signRect(int id) const;
    // The text a reader of the screen gets for a sign: its headline and, apart,
    // its feed (from the sign's tool tip, else its text).
    QPair<QString, QString> spokenText(int id) const;
    // Where a menu for the strip pops up: under the focus mark when it shows,
    // else at the pointer (global coordinates).
    QPoint menuPosition() const;

    // Shown over the strip for a few seconds: the speed the wheel set, and offers
    // to undo what was just done.
    StripOverlay& speedOverlay() { return speedOverlay_; }
    StripOverlay& undoOverlay() { return undoOverlay_; }
    // Offers undo for undoOfferMs with an "Undo" button (also Ctrl+Z on the strip).
    void offerUndo(const QString& text, std::function<void()> undo);
    static constexpr int undoOfferMs = 10000;
    static constexpr int speedOverlayMs = 1500;

    // A quiet line the strip shows while it holds no sign (empty: none); a click on
    // it asks for the preferences.
    void setEmptyNotice(const QString& text);
    QString emptyNotice() const { return emptyNotice_; }
    bool isEmptyNoticeShown() const { return !emptyNotice_.isEmpty() && items_.isEmpty(); }
    // The tool tip of the sign at a point of the strip (plain text), or nothing.
    QString toolTipAt(const QPoint& point) const;

    // The bytes of every sign picture the strip holds, on it or not.
    qint64 renderedPixmapBytes() const { return renderedBytes_ + leftPictures_.totalCost(); }

    const SignLook& look() const { return look_; }
    void setLook(const SignLook& look);
    // The user's choices over the system's look; the strip is drawn anew with them.
    const StripAppearance& appearance() const { return appearance_; }
    void setAppearance(const StripAppearance& appearance);
    // Takes the system's fonts and colours, the user's choices over them and the
    // screen's pixel ratio again.
    void refreshLook();
    QSize sizeHint() const override;

  signals:
    // The wheel changed the speed.
    void speedChanged(double pixelsPerSecond);
    // The look changed, and the strip's height with it perhaps.
    void lookChanged();
    void hostMenuRequested(const QPoint& globalPosition);
    void emptyNoticeClicked();
    // The focus mark moved to another sign, or went (id 0).
    void markedSignChanged(int id);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    struct Item {
        SignRegistry::Entry entry;
        QPixmap pixmap; // while the sign is on the strip; kept in leftPictures_ once it left
        int width = 0;
        int passes = 0; // times it has left the strip
    };

    Item* item(int id);
    const Item* item(int id) const;
    void ensureRendered(Item& item);
    void dropPixmap(Item& item);
    bool onStrip(int id) const;
    // One step of the model: shift by pixels, drop what left, bring in what fits.
    void shift(int pixels);
    void fill(int justExposed);
    void signLeft(int id);
    void updateClock();
    void frame();
    // Whether the next sign in posting order may enter (its loops allow another pass).
    bool mayEnter(const Item& item) const;
    void paintFocusMark(QPainter& painter);
    void overlayChanged(const StripOverlay& overlay);
    QRect overlayArea(const StripOverlay& overlay) const;
    // Repaints when the empty notice came or went with the signs.
    void noticeMayHaveChanged(bool wasShown);
    void paintEmptyNotice(QPainter& painter);

    SignRegistry& signs_;
    std::atomic<bool> syncPending_{false};
    QList<Item> items_;        // posting order (ids ascending)
    qint64 renderedBytes_ = 0; // of the items' pixmaps
    // The pictures of signs that left and come round again, by id, each costing its
    // bytes; taken back as the sign enters again.
    QCache<int, QPixmap> leftPictures_{offStripPixmapBudget};
    QList<Placement> placements_; // left to right
    int nextId_ = 0;              // the next sign to enter: the first with an id at least this
    SignLook look_;
    StripAppearance appearance_;
    QString emptyNotice_;
    double speed_ = 50;
    int step_ = 1;
    bool paused_ = false;
    bool hoverPaused_ = false;
    bool pauseOnHover_ = true;
    int markedId_ = 0;
    qint64 scrolled_ = 0;
    int pressedId_ = 0;
    int wheelRemainder_ = 0;
    QTimer clock_;
    QTimer hoverCheck_;
    StripOverlay speedOverlay_{StripOverlay::Place::Middle};
    StripOverlay undoOverlay_{StripOverlay::Place::RightEnd};
};
