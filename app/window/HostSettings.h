#pragma once
#include <QString>
#include <QVariantMap>

// The window host's own settings, kept in the settings file under its own
// identifier beside the plug-ins' dictionaries: where the strip docks, on which
// screen, and how fast it scrolls. Values of the wrong kind or out of range read as
// the defaults.
class HostSettings {
  public:
    enum class DockEdge { Top, Bottom };

    static constexpr const char* identifier = "org.pennant.host";
    static constexpr double defaultSpeed = 50; // pixels per second
    static constexpr double minimumSpeed = 10;
    static constexpr double maximumSpeed = 400;

    // Reads from (and later writes into) the host's dictionary in the settings file.
    explicit HostSettings(QVariantMap& dictionary);

    DockEdge dockEdge() const { return dockEdge_; }
    void setDockEdge(DockEdge edge);
    // The name of the screen chosen for the strip; empty: the primary screen.
    QString screen() const { return screen_; }
    void setScreen(const QString& name);
    double speed() const { return speed_; }
    // Clamps to the allowed range; returns the speed that was kept.
    double setSpeed(double pixelsPerSecond);

    // The speed after one wheel notch up (steps > 0) or down.
    static double steppedSpeed(double speed, int steps);

  private:
    void store();

    QVariantMap& dictionary_;
    DockEdge dockEdge_ = DockEdge::Bottom;
    double speed_ = defaultSpeed;
    QString screen_;
};
