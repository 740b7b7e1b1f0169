#pragma once
#include "app/window/StripAppearance.h"

#include <QString>
#include <QVariantMap>

// The window host's own settings, kept in the settings file under its own
// identifier beside the plug-ins' dictionaries: where the strip docks, on which
// screen, how fast it scrolls, whether it stops under the pointer, and how it looks.
// A value of the wrong kind or out of range reads as the default and stays in the
// file as written until that setting is changed here; a missing one is written
// with its default, so the file shows what can be set.
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
    bool pauseOnHover() const { return pauseOnHover_; }
    void setPauseOnHover(bool pause);
    const StripAppearance& appearance() const { return appearance_; }
    // Writes only what differs from the appearance kept so far.
    void setAppearance(const StripAppearance& appearance);

    // The speed after one wheel notch up (steps > 0) or down.
    static double steppedSpeed(double speed, int steps);

  private:
    void put(const QString& key, const QVariant& value);
    void putIfMissing(const QString& key, const QVariant& value);

    QVariantMap& dictionary_;
    DockEdge dockEdge_ = DockEdge::Bottom;
    double speed_ = defaultSpeed;
    QString screen_;
    bool pauseOnHover_ = true;
    StripAppearance appearance_;
};
