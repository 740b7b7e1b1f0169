#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a quit on the main thread while it lives,
// so that an interrupted ticker still writes its settings and cleans up.
class QuitSignals : public QObject {
    Q_OBJECT
  public:
    explicit QuitSignals(std::function<void()> onQuit);
    ~QuitSignals() override;

  private:
    std::function<void()> onQuit_;
    QSocketNotifier* notifier_ = nullptr;
};
