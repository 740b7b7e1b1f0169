#pragma once
#include "host/PNProtocols.h"

#include <QList>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>

// The signs on the ticker, in posting order, each with the id the host gave it and
// the client its clicks go to. Safe from any thread. Ids grow with every posting,
// so ordering by id is posting order; a sign is found by its id or by itself
// without a scan (tens of thousands of signs come and go with every round).
class SignRegistry {
  public:
    struct Entry {
        int id = 0;
        PNSignRef sign;
        PNPennantClientProtocol* client = nullptr;
    };

    int add(const PNSignRef& sign, PNPennantClientProtocol* client);
    // The id the sign had, or 0 when it was not on the ticker.
    int remove(const PNSignRef& sign);
    std::optional<Entry> find(int id) const;
    QList<Entry> snapshot() const;
    bool isEmpty() const;
    // Drops every sign of a client (the host does so when the client goes away).
    void removeClient(PNPennantClientProtocol* client);

  private:
    mutable std::mutex mutex_;
    int nextId_ = 1;
    std::map<int, Entry> entries_;
    std::unordered_map<const PNTickerSign*, int> ids_;
};
