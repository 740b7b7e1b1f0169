#pragma once
#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QToolButton>
#include <optional>

// A button for a colour the user may leave to the system: it shows the colour in
// use; a click picks another in the colour dialog (each shade applied as it is
// picked, the old one back on Cancel), and its menu goes back to the automatic one.
class ColorButton : public QToolButton {
    Q_OBJECT
  public:
    // automaticText names the colour left to the system ("System Colour").
    ColorButton(const QString& automaticText, QWidget* parent = nullptr);

    // Shows a choice without telling anyone; shown is the colour in use.
    void setColor(const std::optional<QColor>& chosen, const QColor& shown);
    std::optional<QColor> color() const { return chosen_; }
    // Takes a choice as the user's.
    void choose(const std::optional<QColor>& chosen);

  signals:
    void colorChosen();

  private:
    void pick();

    QString automaticText_;
    std::optional<QColor> chosen_;
    QColor shown_;
    QPointer<QColorDialog> dialog_;
};
