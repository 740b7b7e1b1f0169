#include "app/window/TickerPage.h"

#include "app/window/ColorButton.h"
#include "app/window/TickerStrip.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <vector>

namespace {

QSpinBox* spinBox(int automatic, int highest, const QString& automaticText, const QString& suffix,
                  QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    // The value below the range stands for "automatic", as Qt's spin boxes do it.
    spin->setRange(automatic, highest);
    spin->setSpecialValueText(automaticText);
    spin->setSuffix(suffix);
    spin->setAccelerated(true);
    return spin;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TickerPage::TickerPage(HostSettings& settings, TickerStrip& strip) : settings_(settings), strip_(strip) {
    // The wheel changes the speed too; the page shows it.
    connect(&strip_, &TickerStrip::speedChanged, this, [this] { showSettings(); });
}

TickerPage::~TickerPage() {
    delete view_;
    delete owner_;
}

void TickerPage::loadMainView() {
    if (!view_) build();
}

void TickerPage::willSelect() {
    loadMainView();
    showSettings();
}

void TickerPage::build() {
    owner_ = new QWidget;
    view_ = new QWidget(owner_);
    Controls& c = controls_;
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);

    c.fontFamily = new QFontComboBox(view_);
    c.fontSize = spinBox(int(StripAppearance::minimumFontSize) - 1, int(StripAppearance::maximumFontSize),
                         tr("System size"), tr(" pt"), view_);
    c.systemFont = new QCheckBox(tr("Use the s&ystem font"), view_);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(c.fontFamily, 1);
    fontRow->addWidget(buddyLabel(tr("Si&ze:"), c.fontSize, view_));
    fontRow->addWidget(c.fontSize);
    form->addRow(buddyLabel(tr("&Font:"), c.fontFamily, view_), fontRow);
    form->addRow(QString(), c.systemFont);

    c.textColor = new ColorButton(tr("System colour"), view_);
    c.background = new ColorButton(tr("System colour"), view_);
    c.linkColor = new ColorButton(tr("Automatic (blue that reads on the background)"), view_);
    c.linkColor->setToolTip(tr("The colour of the headlines"));
    form->addRow(buddyLabel(tr("&Text colour:"), c.textColor, view_), c.textColor);
    form->addRow(buddyLabel(tr("&Background:"), c.background, view_), c.background);
    form->addRow(buddyLabel(tr("Headline (lin&k) colour:"), c.linkColor, view_), c.linkColor);

    c.height = spinBox(StripAppearance::minimumHeight - 1, StripAppearance::maximumHeight,
                       tr("Follows the font"), tr(" px"), view_);
    form->addRow(buddyLabel(tr("Strip hei&ght:"), c.height, view_), c.height);
    c.speed = spinBox(int(HostSettings::minimumSpeed), int(HostSettings::maximumSpeed), QString(),
                      tr(" px/s"), view_);
    c.speed->setToolTip(tr("The mouse wheel over the strip changes it too"));
    form->addRow(buddyLabel(tr("&Speed:"), c.speed, view_), c.speed);
    c.pauseOnHover = new QCheckBox(tr("&Pause while the pointer rests on the strip"), view_);
    form->addRow(QString(), c.pauseOnHover);

    c.darkColors = new QPushButton(tr("D&ark Colours"), view_);
    c.darkColors->setToolTip(tr("Light text on a dark background"));
    c.restoreDefaults = new QPushButton(tr("Restore &Defaults"), view_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(c.darkColors);
    buttons->addStretch(1);
    buttons->addWidget(c.restoreDefaults);

    auto* column = new QVBoxLayout(view_);
    column->addLayout(form);
    column->addStretch(1);
    column->addLayout(buttons);

    connect(c.fontFamily, &QFontComboBox::currentFontChanged, this, &TickerPage::apply);
    connect(c.systemFont, &QCheckBox::toggled, this, &TickerPage::apply);
    for (QSpinBox* spin : {c.fontSize, c.height, c.speed})
        connect(spin, &QSpinBox::valueChanged, this, &TickerPage::apply);
    for (ColorButton* button : {c.textColor, c.background, c.linkColor})
        connect(button, &ColorButton::colorChosen, this, &TickerPage::apply);
    connect(c.pauseOnHover, &QCheckBox::toggled, this, &TickerPage::apply);
    connect(c.darkColors, &QPushButton::clicked, this, [this] {
        StripAppearance dark = settings_.appearance();
        dark.textColor = darkText();
        dark.background = darkBackground();
        dark.linkColor.reset();
        applyAppearance(dark);
    });
    connect(c.restoreDefaults, &QPushButton::clicked, this, &TickerPage::restoreDefaults);
}

void TickerPage::showSettings() {
    if (!view_) return;
    showing_ = true;
    const Controls& c = controls_;
    std::vector<QSignalBlocker> quiet;
    for (QObject* control : std::initializer_list<QObject*>{c.fontFamily, c.fontSize, c.systemFont, c.height,
                                                            c.speed, c.pauseOnHover})
        quiet.emplace_back(control);
    const StripAppearance& a = settings_.appearance();
    const SignLook& look = strip_.look();
    c.systemFont->setChecked(a.fontFamily.isEmpty());
    c.fontFamily->setEnabled(!a.fontFamily.isEmpty());
    c.fontFamily->setCurrentFont(a.fontFamily.isEmpty() ? QApplication::font() : QFont(a.fontFamily));
    c.fontSize->setValue(a.fontSize ? int(std::lround(*a.fontSize)) : c.fontSize->minimum());
    c.textColor->setColor(a.textColor, look.textColor);
    c.background->setColor(a.background, look.background);
    c.linkColor->setColor(a.linkColor, look.linkColor);
    c.height->setValue(a.height ? *a.height : c.height->minimum());
    c.height->setToolTip(tr("Now %1 px").arg(look.height));
    c.speed->setValue(int(std::lround(settings_.speed())));
    c.pauseOnHover->setChecked(settings_.pauseOnHover());
    showing_ = false;
}

void TickerPage::apply() {
    if (showing_ || !view_) return;
    const Controls& c = controls_;
    StripAppearance a;
    if (!c.systemFont->isChecked()) a.fontFamily = c.fontFamily->currentFont().family();
    if (c.fontSize->value() > c.fontSize->minimum()) a.fontSize = c.fontSize->value();
    a.textColor = c.textColor->color();
    a.background = c.background->color();
    a.linkColor = c.linkColor->color();
    if (c.height->value() > c.height->minimum()) a.height = c.height->value();
    const double speed = c.speed->value();
    if (speed != settings_.speed()) strip_.setSpeed(settings_.setSpeed(speed));
    if (c.pauseOnHover->isChecked() != settings_.pauseOnHover()) {
        settings_.setPauseOnHover(c.pauseOnHover->isChecked());
        strip_.setPauseOnHover(settings_.pauseOnHover());
    }
    applyAppearance(a);
}

void TickerPage::applyAppearance(const StripAppearance& appearance) {
    settings_.setAppearance(appearance);
    strip_.setAppearance(settings_.appearance());
    showSettings();
    emit changed();
}

void TickerPage::restoreDefaults() {
    strip_.setSpeed(settings_.setSpeed(HostSettings::defaultSpeed));
    settings_.setPauseOnHover(true);
    strip_.setPauseOnHover(true);
    applyAppearance(StripAppearance());
}
