#pragma once
#include "app/window/HostSettings.h"
#include "host/PNProtocols.h"

#include <QObject>
#include <QPointer>

class ColorButton;
class QCheckBox;
class QFontComboBox;
class QPushButton;
class QSpinBox;
class TickerStrip;
class QWidget;

// The host's own page in the preferences window, "Ticker": the strip's font,
// colours, height, speed and whether it stops under the pointer. Each change is
// applied to the strip and kept in the host's settings at once.
class TickerPage : public QObject, public PNPrefPaneProtocol {
    Q_OBJECT
  public:
    TickerPage(HostSettings& settings, TickerStrip& strip);
    ~TickerPage() override;

    // PNPrefPaneProtocol
    bool hasPrefsPane() const override { return true; }
    QString identifier() const override { return QString::fromLatin1(HostSettings::identifier); }
    QString label() const override { return tr("Ticker"); }
    QIcon icon() const override { return {}; }
    QString category() const override { return {}; }
    QString version() const override { return {}; }
    std::shared_ptr<platform::Bundle> bundle() const override { return nullptr; }
    QWidget* mainView() const override { return view_; }
    QString userInfo() const override { return QStringLiteral("How the strip looks and moves"); }
    void loadMainView() override;
    void willSelect() override;
    void willUnselect() override {}

    // The controls, for those who drive the page without a pointer.
    struct Controls {
        QCheckBox* systemFont = nullptr;
        QFontComboBox* fontFamily = nullptr;
        QSpinBox* fontSize = nullptr; // its lowest value stands for the system's size
        ColorButton* textColor = nullptr;
        ColorButton* background = nullptr;
        ColorButton* linkColor = nullptr;
        QSpinBox* height = nullptr; // its lowest value stands for "follows the font"
        QSpinBox* speed = nullptr;
        QCheckBox* pauseOnHover = nullptr;
        QPushButton* darkColors = nullptr;
        QPushButton* restoreDefaults = nullptr;
    };
    const Controls& controls() const { return controls_; }

    // The colours of the dark look that the page offers.
    static QColor darkText() { return QColor(0xe8, 0xe8, 0xe8); }
    static QColor darkBackground() { return QColor(0x20, 0x21, 0x24); }

  signals:
    // A setting changed and was applied to the strip.
    void changed();

  private:
    void build();
    // Shows the settings in the controls.
    void showSettings();
    // Reads the controls into the settings and the strip.
    void apply();
    void applyAppearance(const StripAppearance& appearance);
    void restoreDefaults();

    HostSettings& settings_;
    TickerStrip& strip_;
    QWidget* owner_ = nullptr; // holds the view while no window shows it
    QPointer<QWidget> view_;
    Controls controls_;
    bool showing_ = false; // the controls are being set from the settings
};
