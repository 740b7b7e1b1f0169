// The ticker window under a real X server (Xvfb), read back with xprop as a
// window manager reads it: a dock that reserves its height at its edge.
#include "tests/app/XServerTest.h"
#include "tests/support/PluginFixture.h"

#include <QScopeGuard>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

class X11Dock : public XServerTest {
  protected:
    X11Dock() : XServerTest(QStringLiteral("1280x800x24")) {}
    void TearDown() override {
        stopPennant();
        XServerTest::TearDown();
    }
    // No plug-ins: the strip alone.
    void startPennant(const QByteArray& hostSettings) {
        XServerTest::startPennant(hostSettings, folder.dir.path());
    }
    void stopPennant() {
        if (!pennant.running()) return;
        EXPECT_TRUE(pennant.stop(10000));
        // Asked to quit, it ends as a user's quit does (and a sanitizer's report fails it).
        EXPECT_TRUE(pennant.exitedNormally());
        EXPECT_EQ(pennant.exitCode(), 0) << pennant.errors().toStdString();
    }
    static QString cardinals(const QList<int>& values) {
        QStringList texts;
        for (int v : values)
            texts << QString::number(v);
        return texts.join(QStringLiteral(", "));
    }
};

} // namespace

TEST_F(X11Dock, StripIsADockReservingItsHeightAtItsEdgeAndLeftOutOfTaskBars) {
    startPennant(R"({"dockEdge": "bottom", "screen": "a monitor that is gone"})");
    QString id;
    QRect geometry;
    ASSERT_TRUE(findWindow(&id, &geometry)) << pennant.errors().toStdString();
    const int h = geometry.height();
    EXPECT_EQ(geometry, QRect(0, 800 - h, 1280, h)) << "the primary screen's bottom edge";
    EXPECT_EQ(property(id, "_NET_WM_WINDOW_TYPE"), QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK"));
    const QString state = property(id, "_NET_WM_STATE");
    EXPECT_TRUE(state.contains("_NET_WM_STATE_SKIP_TASKBAR") && state.contains("_NET_WM_STATE_SKIP_PAGER"))
        << state.toStdString();
    EXPECT_EQ(property(id, "_NET_WM_DESKTOP"), QStringLiteral("4294967295"));
    EXPECT_EQ(property(id, "_NET_WM_STRUT"), cardinals({0, 0, 0, h}));
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, 0, h, 0, 0, 0, 0, 0, 0, 0, 1279}));
    stopPennant();

    startPennant(R"({"dockEdge": "top"})");
    id.clear();
    ASSERT_TRUE(findWindow(&id, &geometry));
    EXPECT_EQ(geometry, QRect(0, 0, 1280, h));
    EXPECT_EQ(property(id, "_NET_WM_STRUT"), cardinals({0, 0, h, 0}));
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, h, 0, 0, 0, 0, 0, 0, 1279, 0, 0}));
}

TEST_F(X11Dock, DocksAgainWhenItsScreenChangesSize) {
    // A nested X server (Xephyr) whose screen follows its window's size on Xvfb.
    if (!haveTools({"Xephyr", "xrandr"}))
        GTEST_SKIP() << "Xephyr or xrandr is not installed (scripts/install-deps.sh installs them)";
    const QString nestedDisplay = startServer(nested, tool("Xephyr"), {"-resizeable", "-screen", "1000x600"});
    ASSERT_FALSE(nestedDisplay.isEmpty()) << "Xephyr did not start";
    QString host;
    for (const QString& row : run("xwininfo", {"-root", "-children"}).split(u'\n'))
        if (host.isEmpty() && row.contains(QStringLiteral("Xephyr")))
            host = row.trimmed().section(u' ', 0, 0);
    ASSERT_FALSE(host.isEmpty());
    environment.insert(QStringLiteral("DISPLAY"), nestedDisplay);

    startPennant(R"({"dockEdge": "bottom"})");
    QString id;
    QRect geometry;
    ASSERT_TRUE(findWindow(&id, &geometry)) << pennant.errors().toStdString();
    const int h = geometry.height();
    EXPECT_EQ(geometry, QRect(0, 600 - h, 1000, h));

    // Xephyr's screen follows its window on Xvfb, as an X server's follows a monitor.
    // A resize it may miss while it starts is made again until its screen has changed.
    xcb_connection_t* c = xcb_connect(display.toLatin1().constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const auto resizeHost = [&](uint32_t width, uint32_t height) {
        const uint32_t size[] = {width, height};
        xcb_configure_window(c, host.toUInt(nullptr, 16), XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                             size);
        xcb_flush(c);
    };
    resizeHost(800, 500);
    EXPECT_TRUE(waitUntil(
        [&] {
            // Xephyr takes its window's new size when asked for its screens.
            if (!run("xrandr", {"-display", nestedDisplay}).contains(QStringLiteral("current 800 x 500"))) {
                resizeHost(801, 500);
                resizeHost(800, 500);
                return false;
            }
            QString again;
            return findWindow(&again, &geometry) && geometry == QRect(0, 500 - h, 800, h);
        },
        20000))
        << geometry.x() << "," << geometry.y() << " " << geometry.width() << "x" << geometry.height();
    xcb_disconnect(c);
    EXPECT_EQ(property(id, "_NET_WM_STRUT_PARTIAL"), cardinals({0, 0, 0, h, 0, 0, 0, 0, 0, 0, 0, 799}));
}

namespace {

// The keycode of a key symbol on the server's keyboard, or 0.
xcb_keycode_t keycodeOf(xcb_connection_t* c, xcb_keysym_t symbol) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, uint8_t(count)), nullptr);
    if (!reply) return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply);
    xcb_keycode_t found = 0;
    for (int i = 0; i < count * reply->keysyms_per_keycode && !found; ++i)
        if (symbols[i] == symbol) found = xcb_keycode_t(setup->min_keycode + i / reply->keysyms_per_keycode);
    std::free(reply);
    return found;
}

} // namespace

TEST_F(X11Dock, TakesTheKeyboardWhenTheWindowManagerGivesItAndStaysADock) {
    if (!haveTools({"openbox"}))
        GTEST_SKIP() << "openbox is not installed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(startWindowManager()) << "openbox did not start";
    // The window the root window's property names, as xprop prints it ("window id # 0x…").
    const auto rootWindow = [&](const char* name) {
        const QString out = run("xprop", {"-root", QString::fromLatin1(name)});
        const qsizetype mark = out.indexOf(u'#');
        return mark < 0 ? QString() : out.mid(mark + 1).trimmed();
    };

    startPennant(R"({"dockEdge": "bottom"})");
    QString id;
    QRect geometry;
    ASSERT_TRUE(findWindow(&id, &geometry)) << pennant.errors().toStdString();
    xcb_connection_t* c = xcb_connect(display.toLatin1().constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const auto disconnect = qScopeGuard([&] { xcb_disconnect(c); });
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto atom = [&](const char* name) {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    };
    const auto window = xcb_window_t(id.toUInt(nullptr, 16));

    // A desktop's shortcut or a pager hands it the focus through the window manager.
    xcb_client_message_event_t activate{};
    activate.response_type = XCB_CLIENT_MESSAGE;
    activate.format = 32;
    activate.window = window;
    activate.type = atom("_NET_ACTIVE_WINDOW");
    activate.data.data32[0] = 2;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&activate));
    xcb_flush(c);
    EXPECT_TRUE(
        waitUntil([&] { return rootWindow("_NET_ACTIVE_WINDOW").toUInt(nullptr, 16) == window; }, 10000))
        << rootWindow("_NET_ACTIVE_WINDOW").toStdString() << " is active, not " << id.toStdString();
    EXPECT_EQ(property(id, "_NET_WM_WINDOW_TYPE"), QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK"));

    // With the keyboard, Ctrl+Q quits it as the menu's Quit does.
    const xcb_keycode_t q = keycodeOf(c, 'q');
    ASSERT_NE(q, 0);
    for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
        xcb_key_press_event_t key{};
        key.response_type = type;
        key.detail = q;
        key.root = root;
        key.event = window;
        key.child = XCB_WINDOW_NONE;
        key.state = XCB_MOD_MASK_CONTROL;
        key.same_screen = 1;
        xcb_send_event(c, 1, window, XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE,
                       reinterpret_cast<const char*>(&key));
    }
    xcb_flush(c);
    EXPECT_TRUE(pennant.waitForExit(10000)) << "Ctrl+Q did not reach the focused strip";
    EXPECT_TRUE(pennant.exitedNormally());
    EXPECT_EQ(pennant.exitCode(), 0);
}
