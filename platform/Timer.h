#pragma once
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>

namespace platform {

// A timer on the main run loop that carries user info and can be fired by hand,
// like the timers the plug-in's feeds run on. Its action holds its target alive
// for as long as the timer is valid.
class Timer : public QObject {
    Q_OBJECT
  public:
    using Action = std::function<void(Timer&)>;

    // Schedules a new timer on the calling thread's event loop. The first regular
    // firing comes one interval after scheduling.
    static std::shared_ptr<Timer> scheduledTimerWithTimeInterval(double seconds, Action action,
                                                                 QVariant userInfo, bool repeats);

    // Runs the action now, leaving the regular schedule as it was. A timer that
    // does not repeat is invalidated by firing.
    void fire();
    void invalidate();
    bool isValid() const { return valid_; }
    double timeInterval() const { return seconds_; }
    // When the next regular firing is due (UTC); invalid once invalidated.
    QDateTime fireDate() const { return valid_ ? nextFire_ : QDateTime(); }
    const QVariant& userInfo() const { return userInfo_; }

    // QTimer counts milliseconds in an int: longer periods are served in legs.
    static constexpr qint64 kMaxLegMs = 24LL * 24 * 3600 * 1000;

  private:
    Timer(double seconds, Action action, QVariant userInfo, bool repeats);
    void startLeg();
    void onTimeout();

    QTimer timer_;
    double seconds_;
    Action action_;
    QVariant userInfo_;
    bool repeats_;
    bool valid_ = true;
    qint64 remainingMs_ = 0;
    QDateTime nextFire_;
};

} // namespace platform
