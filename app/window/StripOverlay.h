#pragma once
#include <QColor>
#include <QFont>
#include <QObject>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>

class QPainter;

// A short message drawn over one end of the strip for a few seconds, such as the
// speed the wheel just set, or an offer to take back what was just done with a
// button to do it. The strip paints it over the signs and sends it the clicks
// that land on it.
class StripOverlay : public QObject {
    Q_OBJECT
  public:
    enum class Place { Middle, RightEnd };

    explicit StripOverlay(Place place, QObject* parent = nullptr);

    // Shows text (and a button labelled actionLabel running action, when given)
    // for milliseconds; a new message replaces the one shown.
    void show(const QString& text, int milliseconds, const QString& actionLabel = {},
              std::function<void()> action = {});
    void hide();
    bool isShown() const { return shown_; }
    QString text() const { return text_; }
    bool hasAction() const { return bool(action_); }
    // Runs the offered action (once) and hides the message; false when none is offered.
    bool trigger();

    // Where it sits on a strip of that size, drawn with that font; empty when hidden.
    QRect rectIn(const QRect& strip, const QFont& font) const;
    // The button's part of rectIn.
    QRect buttonRectIn(const QRect& strip, const QFont& font) const;
    void paint(QPainter& painter, const QRect& strip, const QFont& font, const QColor& text,
               const QColor& background) const;

  signals:
    // It came, went or changed: the area it covers must be painted again.
    void changed();

  private:
    QString buttonText() const;

    Place place_;
    bool shown_ = false;
    QString text_;
    QString actionLabel_;
    std::function<void()> action_;
    QTimer expiry_;
};
