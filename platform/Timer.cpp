#include "platform/Timer.h"

#include <algorithm>
#include <cmath>

namespace platform {

std::shared_ptr<Timer> Timer::scheduledTimerWithTimeInterval(double seconds, Action action, QVariant userInfo,
                                                             bool repeats) {
    std::shared_ptr<Timer> timer(new Timer(seconds, std::move(action), std::move(userInfo), repeats));
    timer->nextFire_ = QDateTime::currentDateTimeUtc().addMSecs(timer->remainingMs_);
    timer->startLeg();
    return timer;
}

Timer::Timer(double seconds, Action action, QVariant userInfo, bool repeats)
    : seconds_(seconds), action_(std::move(action)), userInfo_(std::move(userInfo)), repeats_(repeats) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Timer::onTimeout);
    // A period that is not positive would fire without pause; serve it at 1 ms.
    const double ms = std::isfinite(seconds) ? seconds * 1000.0 : double(kMaxLegMs);
    remainingMs_ = std::max<qint64>(1, qint64(std::min(ms, 9.0e15)));
}

void Timer::startLeg() {
    timer_.start(int(std::min(remainingMs_, kMaxLegMs)));
}

void Timer::onTimeout() {
    if (!valid_) return;
    const qint64 leg = std::min(remainingMs_, kMaxLegMs);
    if (remainingMs_ > leg) {
        remainingMs_ -= leg;
        startLeg();
        return;
    }
    const double ms = std::isfinite(seconds_) ? seconds_ * 1000.0 : double(kMaxLegMs);
    remainingMs_ = std::max<qint64>(1, qint64(std::min(ms, 9.0e15)));
    nextFire_ = QDateTime::currentDateTimeUtc().addMSecs(remainingMs_);
    if (repeats_)
        startLeg();
    else
        valid_ = false;
    if (action_) {
        Action keep = action_; // the action may invalidate this timer
        keep(*this);
    }
    if (!valid_) action_ = nullptr;
}

void Timer::fire() {
    if (!valid_) return;
    Action keep = action_;
    if (!repeats_) invalidate();
    if (keep) keep(*this);
}

void Timer::invalidate() {
    valid_ = false;
    timer_.stop();
    action_ = nullptr;
}

} // namespace platform
