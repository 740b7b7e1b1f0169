#include "tests/app/WindowTestSupport.h"

#include <QApplication>
#include <QEnterEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QWheelEvent>
#include <thread>

TEST_F(WindowHostTest, SignsFromWorkerThreadsKeepPostingOrderRemovalsAndLoopRound) {
    const PNSignRef a = textSign(QStringLiteral("Alpha headline")), b = textSign(QStringLiteral("Bravo")),
                    c = textSign(QStringLiteral("Charlie, a somewhat longer headline"));
    std::thread([&] {
        for (const PNSignRef& s : {a, b, c})
            host->addSign(s);
    }).join();
    ASSERT_TRUE(waitUntil([&] { return host->signs().snapshot().size() == 3 && !idsOnStrip().isEmpty(); }));
    const int ia = idOf(a), ib = idOf(b), ic = idOf(c);
    ASSERT_TRUE(bringIn(ic));
    EXPECT_EQ(idsOnStrip(), (QList<int>{ia, ib, ic}));
    const auto before = strip->placements();
    for (qsizetype i = 1; i < before.size(); ++i)
        EXPECT_EQ(before[i].x, before[i - 1].x + before[i - 1].width + TickerStrip::gap);

    // A removed sign leaves at once; the others keep their places.
    std::thread([&] { host->removeSign(b); }).join();
    ASSERT_TRUE(waitUntil([&] { return !idsOnStrip().contains(ib); }));
    const auto after = strip->placements();
    ASSERT_EQ(idsOnStrip(), (QList<int>{ia, ic}));
    EXPECT_EQ(after[0].x, before[0].x);
    EXPECT_EQ(after[1].x, before[2].x);

    // A new sign enters after the last, before the first comes round again: the
    // next round follows one gap behind, while the first round is still on the
    // strip (no blank screen between rounds).
    const PNSignRef d = textSign(QStringLiteral("Delta"));
    host->addSign(d);
    ASSERT_TRUE(waitUntil([&] { return idOf(d) != 0; }));
    const int id = idOf(d);
    ASSERT_TRUE(bringIn(id));
    ASSERT_TRUE(advanceUntil([&] { return idsOnStrip().last() == ia; }));
    EXPECT_EQ(idsOnStrip().count(ia), 2);
    EXPECT_EQ(idsOnStrip().mid(idsOnStrip().size() - 3), (QList<int>{ic, id, ia}));
    const auto round = strip->placements();
    const auto& last = round[round.size() - 2];
    EXPECT_EQ(round.last().x, last.x + last.width + TickerStrip::gap);
    EXPECT_FALSE(idsOnStrip().contains(ib));
}

TEST_F(WindowHostTest, SignWithFiniteLoopCountLeavesTheTickerAfterItsLoops) {
    const PNSignRef once = textSign(QStringLiteral("Just once"));
    once->setLoopCount(1);
    const PNSignRef always = textSign(QStringLiteral("Always"));
    host->addSign(once);
    host->addSign(always);
    ASSERT_TRUE(waitUntil([&] { return !idsOnStrip().isEmpty(); }));
    const int io = idOf(once);
    ASSERT_TRUE(bringIn(io));
    strip->advance(strip->width() + 100);
    EXPECT_EQ(idOf(once), 0);
    EXPECT_NE(idOf(always), 0);
    EXPECT_FALSE(bringIn(io, 3000));
}

TEST_F(WindowHostTest, ClickOnCustomSignReachesItsClientWithTheActionString) {
    RecordingClient client;
    const PNSignRef plain = textSign(QStringLiteral("No action"));
    const PNSignRef custom = textSign(QStringLiteral("Click me"), PNPennantActionTypeCustom,
                                      QStringLiteral("7,file:///feeds/demo.xml"));
    host->addSign(plain, &client);
    host->addSign(custom, &client);
    ASSERT_TRUE(waitUntil([&] { return idOf(custom) != 0 && !idsOnStrip().isEmpty(); }));
    const int id = idOf(custom);
    ASSERT_TRUE(bringIn(id));
    TickerStrip::Placement where;
    for (const auto& p : strip->placements())
        if (p.id == id) where = p;
    const QPoint inside(where.x + where.width / 2, strip->height() / 2);
    ASSERT_EQ(strip->signIdAt(inside), id);

    click(inside);
    EXPECT_EQ(client.actions(), QStringList{QStringLiteral("7,file:///feeds/demo.xml")});

    // The sign without an action and the gap beside it do nothing; nor does another button.
    for (const auto& p : strip->placements())
        if (p.id == idOf(plain)) click(QPoint(p.x + 2, 5));
    click(QPoint(where.x - TickerStrip::gap / 2, 5));
    click(inside, Qt::MiddleButton);
    EXPECT_EQ(client.actions().size(), 1);
}

TEST_F(WindowHostTest, UrlSignsOpenOnlyWebLinks) {
    QList<PNSignRef> signs;
    for (const char* url : {"https://example.org/a", "file:///etc/passwd", "javascript:alert(1)"})
        host->addSign(signs.emplace_back(
            textSign(QStringLiteral("x"), PNPennantActionTypeURL, QString::fromLatin1(url))));
    ASSERT_TRUE(waitUntil([&] { return host->signs().snapshot().size() == 3 && !idsOnStrip().isEmpty(); }));
    for (const PNSignRef& sign : signs)
        host->strip()->activateSign(idOf(sign));
    EXPECT_EQ(recorder->openedURLs(), QStringList{QStringLiteral("https://example.org/a")});
    EXPECT_EQ(recorder->beeps(), 2);
    // A link no handler takes sounds the alert too.
    recorder->opener = [](const QUrl&) { return false; };
    host->strip()->activateSign(idOf(signs[0]));
    EXPECT_EQ(recorder->beeps(), 3);
}

TEST_F(WindowHostTest, FrameClockRunsOnlyWhileSomethingScrollsAndNoPointerRests) {
    strip->setPaused(false);
    EXPECT_FALSE(strip->isScrolling()); // nothing to show
    const PNSignRef sign = textSign(QStringLiteral("Brief"));
    host->addSign(sign);
    ASSERT_TRUE(waitUntil([&] { return strip->isScrolling() && strip->scrolledPixels() > 3; }));
    host->removeSign(sign);
    EXPECT_TRUE(waitUntil([&] { return !strip->isScrolling(); }));
    host->addSign(sign);
    ASSERT_TRUE(waitUntil([&] { return strip->isScrolling(); }));

    QCursor::setPos(strip->mapToGlobal(QPoint(10, 5)));
    QEnterEvent enter(QPointF(10, 5), QPointF(10, 5), strip->mapToGlobal(QPointF(10, 5)));
    QApplication::sendEvent(strip, &enter);
    EXPECT_TRUE(strip->isHoverPaused());
    EXPECT_FALSE(strip->isScrolling());
    const qint64 still = strip->scrolledPixels();
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(strip->scrolledPixels(), still);
    QCursor::setPos(strip->mapToGlobal(QPoint(10, -100)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(strip, &leave);
    EXPECT_TRUE(waitUntil([&] { return strip->scrolledPixels() > still; }));

    strip->setPaused(true);
    EXPECT_FALSE(strip->isScrolling());
}

TEST_F(WindowHostTest, WheelChangesTheSpeedAndTheSpeedIsSaved) {
    const double start = strip->speed();
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(5, 5), strip->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(strip, &event);
    };
    wheel(120);
    const double faster = strip->speed();
    EXPECT_GT(faster, start);
    wheel(60); // half a notch does nothing yet
    EXPECT_EQ(strip->speed(), faster);
    wheel(-60 - 240);
    EXPECT_LT(strip->speed(), start);
    for (int i = 0; i < 40; ++i)
        wheel(-120);
    EXPECT_EQ(strip->speed(), HostSettings::minimumSpeed);
    EXPECT_GE(strip->pixelsPerFrame(), 1);

    wheel(120);
    const double kept = strip->speed();
    ASSERT_TRUE(waitUntil([&] {
        const QJsonObject top = QJsonDocument::fromJson(readFile(settings->path())).object();
        return top.value(QStringLiteral("org.pennant.host")).toObject().value(QStringLiteral("speed")) ==
               kept;
    }));
    // A new host on the same file starts at the saved speed.
    host->shutDown();
    host.reset();
    SettingsFile again(settings->path());
    again.load();
    WindowHost next(again, nullptr);
    EXPECT_EQ(next.strip()->speed(), kept);
    host = std::make_unique<WindowHost>(*settings, nullptr);
}

TEST_F(WindowHostTest, ImageSignsAreAsWideAsThePlugInSizedThemForTheStripsHeight) {
    PNSize seen;
    std::thread([&] { seen = host->viewSize(); }).join();
    EXPECT_EQ(seen.width, float(strip->width()));
    EXPECT_EQ(seen.height, float(strip->height()));
    EXPECT_GE(seen.height, QFontMetrics(QApplication::font()).height());

    QImage image(64, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    auto sign = std::make_shared<PNImageTickerSign>();
    const float h = float(int(seen.height));
    sign->initWithImage(image, PNSize{h * 2, h});
    sign->setLoopCount(PNEndlessLoopCount);
    host->addSign(sign);
    ASSERT_TRUE(waitUntil([&] { return !idsOnStrip().isEmpty(); }));
    EXPECT_EQ(strip->placements().first().width, int(h * 2));
}

TEST_F(WindowHostTest, DockEdgeAndNoticeShapeTheWindow) {
    strip->setPaused(false);
    host->window()->setNotice(QStringLiteral("the settings file was unreadable; it was moved aside"));
    EXPECT_TRUE(host->window()->isNoticeShown());
    EXPECT_GT(host->window()->height(), strip->height());
    host->window()->setNotice({});
    EXPECT_FALSE(host->window()->isNoticeShown());
    EXPECT_EQ(host->window()->height(), strip->height());

    std::unique_ptr<QMenu> menu(host->window()->makeHostMenu());
    QStringList titles;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Pause"), QStringLiteral("Preferences…"),
                                   QStringLiteral("Refresh now"), QStringLiteral("Dock at Top"),
                                   QStringLiteral("Dock at Bottom"), QStringLiteral("Screen"),
                                   QStringLiteral("Quit")}));
    EXPECT_TRUE(menu->actions().at(1)->isEnabled()); // the host's own page, without plug-ins too
    menu->actions().at(4)->trigger();                // Dock at Top
    EXPECT_EQ(host->hostSettings().dockEdge(), HostSettings::DockEdge::Top);
    EXPECT_EQ(host->window()->dockEdge(), HostSettings::DockEdge::Top);
    menu->actions().at(0)->trigger(); // Pause
    EXPECT_TRUE(strip->isPaused());
    menu.reset(host->window()->makeHostMenu());
    EXPECT_EQ(menu->actions().at(0)->text(), QStringLiteral("Resume"));
}

TEST_F(WindowHostTest, PicturesOfSignsThatLeftStayWithinTheBudgetAndAreDrawnAgainOnReturn) {
    // Far more sign pictures than the budget holds, as a day of a large ticker brings.
    QList<PNSignRef> signs;
    for (int i = 0; i < 600; ++i) {
        signs.append(
            textSign(QStringLiteral("Headline %1 about the council, the station and the market").arg(i)));
        host->addSign(signs.last());
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(host->signs().snapshot().size(), 600);
    const int first = idOf(signs.first()), last = idOf(signs.last());
    ASSERT_TRUE(bringIn(first));
    const int firstWidth = strip->placements().first().width;
    const qint64 onePicture = strip->renderedPixmapBytes() / strip->placements().size();
    ASSERT_GT(600 * onePicture, 2 * TickerStrip::offStripPixmapBudget);

    qint64 most = 0;
    ASSERT_TRUE(advanceUntil(
        [&] {
            most = std::max(most, strip->renderedPixmapBytes());
            return idsOnStrip().contains(last) && !idsOnStrip().contains(first);
        },
        600 * 1000));
    const qint64 onStrip = onePicture * 2 * (strip->placements().size() + 1);
    EXPECT_LE(most, TickerStrip::offStripPixmapBudget + onStrip);

    // The first comes round again, drawn anew at its width.
    ASSERT_TRUE(bringIn(first, 600 * 1000));
    const QList<TickerStrip::Placement> placements = strip->placements();
    const auto at = std::find_if(placements.begin(), placements.end(),
                                 [&](const TickerStrip::Placement& p) { return p.id == first; });
    ASSERT_NE(at, placements.end());
    EXPECT_EQ(at->width, firstWidth);
    const QImage shot = strip->grab().toImage();
    bool painted = false;
    for (int x = at->x; x < at->x + at->width && !painted; ++x)
        for (int y = 0; y < shot.height() && !painted; ++y)
            painted = shot.pixelColor(x, y) != strip->look().background;
    EXPECT_TRUE(painted);
}
