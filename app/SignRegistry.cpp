#include "app/SignRegistry.h"

int SignRegistry::add(const PNSignRef& sign, PNPennantClientProtocol* client) {
    std::lock_guard guard(mutex_);
    for (const Entry& e : entries_)
        if (e.sign == sign) return e.id; // posting twice keeps one place on the strip
    const int id = nextId_++;
    entries_.append(Entry{id, sign, client});
    return id;
}

int SignRegistry::remove(const PNSignRef& sign) {
    std::lock_guard guard(mutex_);
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].sign == sign) {
            const int id = entries_[i].id;
            entries_.removeAt(i);
            return id;
        }
    }
    return 0;
}

std::optional<SignRegistry::Entry> SignRegistry::find(int id) const {
    std::lock_guard guard(mutex_);
    for (const Entry& e : entries_)
        if (e.id == id) return e;
    return std::nullopt;
}

QList<SignRegistry::Entry> SignRegistry::snapshot() const {
    std::lock_guard guard(mutex_);
    return entries_;
}

void SignRegistry::removeClient(PNPennantClientProtocol* client) {
    std::lock_guard guard(mutex_);
    entries_.removeIf([client](const Entry& e) { return e.client == client; });
}
