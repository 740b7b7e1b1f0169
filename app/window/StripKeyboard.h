#pragma once
#include <QElapsedTimer>
#include <QObject>

class TickerStrip;

// The strip from the keyboard, once it has the focus (clicked, or given it by the
// window manager): Left and Right move the focus mark from headline to headline,
// Enter or Space opens the marked headline's menu, Ctrl+Enter its link, the Menu
// key or Shift+F10 the strip's own menu, Ctrl+Z takes up an offer to undo, and
// Escape leaves. The host's commands have their shortcuts here too. It also tells
// assistive technology which headline, of which feed, has the focus.
class StripKeyboard : public QObject {
    Q_OBJECT
  public:
    explicit StripKeyboard(TickerStrip* strip);

    static constexpr qint64 clickFocusMs = 1000;

  signals:
    void preferencesRequested();
    void refreshRequested();
    void pauseToggleRequested();
    void quitRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool keyPressed(int key, Qt::KeyboardModifiers modifiers);
    void moveMark(int direction);
    void describeMark(int id);
    // Escape: the focus goes back to the window that had it before the click.
    void leave();

    TickerStrip* strip_;
    quintptr focusBefore_ = 0; // the window active before a click took the focus
    QElapsedTimer sinceClick_; // a focus that comes right after a click came by the pointer
};
