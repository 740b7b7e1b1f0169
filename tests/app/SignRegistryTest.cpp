// The host's register of the signs on the ticker.
#include "app/shared/SignRegistry.h"

#include <gtest/gtest.h>

namespace {
PNSignRef textSign() {
    return std::make_shared<PNTextTickerSign>();
}
QList<int> ids(const SignRegistry& registry) {
    QList<int> out;
    for (const SignRegistry::Entry& e : registry.snapshot())
        out << e.id;
    return out;
}
} // namespace

TEST(SignRegistry, KeepsPostingOrderOnePlaceASignAndForgetsWhatWasRemoved) {
    SignRegistry registry;
    PNPennantClientProtocol* const client = reinterpret_cast<PNPennantClientProtocol*>(0x10);
    const PNSignRef a = textSign(), b = textSign(), c = textSign();
    EXPECT_EQ(registry.add(a, nullptr), 1);
    EXPECT_EQ(registry.add(b, client), 2);
    EXPECT_EQ(registry.add(a, client), 1) << "posting twice keeps the first place";
    EXPECT_EQ(registry.add(c, client), 3);
    EXPECT_EQ(ids(registry), (QList<int>{1, 2, 3}));
    EXPECT_EQ(registry.find(2)->sign, b);

    EXPECT_EQ(registry.remove(b), 2);
    EXPECT_EQ(registry.remove(b), 0) << "a sign not on the ticker";
    EXPECT_FALSE(registry.find(2));
    EXPECT_EQ(registry.add(b, client), 4) << "posted again, it goes to the end";
    EXPECT_EQ(ids(registry), (QList<int>{1, 3, 4}));

    registry.removeClient(client);
    EXPECT_EQ(ids(registry), QList<int>{1});
    EXPECT_EQ(registry.add(c, nullptr), 5) << "a client's signs are gone with it";
}
