#pragma once
#include "app/SettingsFile.h"
#include "app/WindowHost.h"
#include "host/PNProtocols.h"
#include "tests/support/PluginFixture.h"

#include <QEvent>
#include <QTemporaryDir>
#include <memory>
#include <mutex>

// A client that records the actions it is asked to perform.
class RecordingClient : public PNPennantClientProtocol {
  public:
    void performAction(const QString& action) override {
        std::lock_guard guard(mutex_);
        actions_.append(action);
    }
    QStringList actions() const {
        std::lock_guard guard(mutex_);
        return actions_;
    }

  private:
    mutable std::mutex mutex_;
    QStringList actions_;
};

// Whole-file helpers for the settings tests; reading a missing file gives nothing.
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// The pennant program run offscreen with these arguments and input, to its end.
struct PennantOutput {
    int exitCode = -1;
    QByteArray out;
    QString err;
};
PennantOutput runPennantBinary(const QStringList& arguments, const QByteArray& input = {});

PNSignRef textSign(const QString& text, PNPennantActionType type = PNPennantActionTypeNone,
                   const QString& action = {});

// A window host on a settings file in a temporary folder, its window shown
// (offscreen) at a fixed width.
class WindowHostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Moves the strip until the sign is wholly on it; false when it never comes.
    bool bringIn(int id, int limit = 20000);
    // Moves the strip pixel by pixel until the condition holds.
    bool advanceUntil(const std::function<bool()>& condition, int limit = 20000);
    QList<int> idsOnStrip() const;
    int idOf(const PNSignRef& sign) const;
    void sendMouse(QEvent::Type type, const QPoint& at, Qt::MouseButton button = Qt::LeftButton);
    void click(const QPoint& at, Qt::MouseButton button = Qt::LeftButton) {
        sendMouse(QEvent::MouseButtonPress, at, button);
        sendMouse(QEvent::MouseButtonRelease, at, button);
    }

    QTemporaryDir folder;
    std::unique_ptr<SettingsFile> settings;
    std::unique_ptr<PlatformRecorder> recorder;
    std::unique_ptr<WindowHost> host;
    TickerStrip* strip = nullptr;
};
