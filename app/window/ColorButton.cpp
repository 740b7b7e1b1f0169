#include "app/window/ColorButton.h"

#include <QColorDialog>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

ColorButton::ColorButton(const QString& automaticText, QWidget* parent)
    : QToolButton(parent), automaticText_(automaticText) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setPopupMode(QToolButton::MenuButtonPopup);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* menu = new QMenu(this);
    menu->addAction(tr("Choose…"), this, &ColorButton::pick);
    menu->addAction(QString(automaticText).replace(u'&', QStringLiteral("&&")), this,
                    [this] { choose(std::nullopt); });
    setMenu(menu);
    connect(this, &QToolButton::clicked, this, &ColorButton::pick);
    setColor(std::nullopt, palette().color(QPalette::WindowText));
}

void ColorButton::setColor(const std::optional<QColor>& chosen, const QColor& shown) {
    chosen_ = chosen;
    shown_ = shown;
    const int side = fontMetrics().height();
    const qreal ratio = devicePixelRatioF();
    QPixmap swatch(QSize(side, side) * ratio);
    swatch.setDevicePixelRatio(ratio);
    swatch.fill(Qt::transparent);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(shown);
    painter.drawRect(QRectF(0.5, 0.5, side - 1, side - 1));
    painter.end();
    setIconSize(QSize(side, side));
    setIcon(QIcon(swatch));
    // Plain text: an ampersand in it is no mnemonic.
    setText(chosen ? chosen->name(QColor::HexRgb)
                   : QString(automaticText_).replace(u'&', QStringLiteral("&&")));
}

void ColorButton::choose(const std::optional<QColor>& chosen) {
    chosen_ = chosen;
    emit colorChosen();
}

void ColorButton::pick() {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    // Not run in a loop of its own: the strip keeps scrolling in the chosen colours.
    dialog_ = new QColorDialog(shown_, this);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    dialog_->setWindowTitle(tr("Choose a Colour"));
    connect(dialog_, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
        if (color.isValid()) choose(color);
    });
    const std::optional<QColor> before = chosen_;
    connect(dialog_, &QDialog::finished, this, [this, before](int result) {
        const QColor selected = dialog_ ? dialog_->selectedColor() : QColor();
        dialog_ = nullptr; // it goes on its own
        if (result == QDialog::Accepted && selected.isValid())
            choose(selected);
        else if (chosen_ != before)
            choose(before);
    });
    dialog_->open();
}
