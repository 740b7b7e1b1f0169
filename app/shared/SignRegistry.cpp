#include "app/shared/SignRegistry.h"

int SignRegistry::add(const PNSignRef& sign, PNPennantClientProtocol* client) {
    std::lock_guard guard(mutex_);
    const auto [at, added] = ids_.try_emplace(sign.get(), nextId_);
    if (!added) return at->second; // posting twice keeps one place on the strip
    const int id = nextId_++;
    entries_.emplace_hint(entries_.end(), id, Entry{id, sign, client});
    return id;
}

int SignRegistry::remove(const PNSignRef& sign) {
    std::lock_guard guard(mutex_);
    const auto at = ids_.find(sign.get());
    if (at == ids_.end()) return 0;
    const int id = at->second;
    ids_.erase(at);
    entries_.erase(id);
    return id;
}

std::optional<SignRegistry::Entry> SignRegistry::find(int id) const {
    std::lock_guard guard(mutex_);
    const auto at = entries_.find(id);
    if (at == entries_.end()) return std::nullopt;
    return at->second;
}

QList<SignRegistry::Entry> SignRegistry::snapshot() const {
    std::lock_guard guard(mutex_);
    QList<Entry> out;
    out.reserve(qsizetype(entries_.size()));
    for (const auto& [id, entry] : entries_)
        out.append(entry);
    return out;
}

void SignRegistry::removeClient(PNPennantClientProtocol* client) {
    std::lock_guard guard(mutex_);
    for (auto at = entries_.begin(); at != entries_.end();) {
        if (at->second.client != client) {
            ++at;
            continue;
        }
        ids_.erase(at->second.sign.get());
        at = entries_.erase(at);
    }
}

bool SignRegistry::isEmpty() const {
    std::lock_guard guard(mutex_);
    return entries_.empty();
}
