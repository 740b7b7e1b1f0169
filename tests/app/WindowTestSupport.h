#pragma once
#include "app/shared/SettingsFile.h"
#include "app/window/WindowHost.h"
#include "host/PNProtocols.h"
#include "tests/app/SettingsFolder.h"
#include "tests/support/PluginFixture.h"

#include <QEvent>
#include <QLabel>
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

// A plug-in pane that counts the host's calls.
class FakePane : public PNPrefPaneProtocol {
  public:
    explicit FakePane(QString name) : name_(std::move(name)) {}
    ~FakePane() override { delete owner_; }
    bool hasPrefsPane() const override { return has; }
    QString identifier() const override { return QStringLiteral("org.example.") + name_; }
    QString label() const override { return name_; }
    QIcon icon() const override { return {}; }
    QString category() const override { return {}; }
    QString version() const override { return QStringLiteral("1"); }
    std::shared_ptr<platform::Bundle> bundle() const override { return nullptr; }
    QWidget* mainView() const override { return view_; }
    QString userInfo() const override { return {}; }
    void loadMainView() override {
        if (view_) return;
        owner_ = new QWidget;
        view_ = new QLabel(name_, owner_);
        ++loads;
    }
    void willSelect() override { ++selects; }
    void willUnselect() override { ++unselects; }

    bool has = true;
    int loads = 0, selects = 0, unselects = 0;
    QWidget* owner_ = nullptr; // the plug-in's own holder of its view
    QWidget* view_ = nullptr;

  private:
    QString name_;
};

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
