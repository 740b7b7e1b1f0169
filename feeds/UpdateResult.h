#pragma once
#include "core/FeedDictionary.h"
#include "core/FeedStatus.h"
#include "feeds/FetchCache.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>
#include <vector>

// What an update starts from: a copy of what the main thread knows of the feed
// when its timer fires. The worker reads nothing else of the plug-in's state.
struct UpdateRequest {
    QString feedURL;
    // The deactivations counted when the timer fired: a result of an earlier
    // activation shows nothing.
    quint64 activation = 0;
    // Whether an unchanged answer could be served from what was parsed before.
    bool haveParsedCopy = false;
    // Whether signs of the feed are shown: an unchanged feed that shows none
    // (deactivated since) has them made again from the kept dictionary.
    bool onTicker = false;
    std::optional<FeedDictionary> kept;
    // The record's address was typed without a scheme and https was guessed.
    bool schemeGuessed = false;
    QVariantList hiddenItems;
    int titleLength = 0;
    float viewHeight = 0;
    bool showsSigns = false; // a host to show them on
};

// A line for the system log, kept until the update is applied so that an
// update's lines and its signs come out in the order they happened.
struct UpdateLogLine {
    QString text;
    bool note = false; // a notice rather than a fault
};

// A page or guessed-https address whose record takes the address that answered
// with a feed.
struct AddressAdoption {
    enum class Why { PageNamedFeed, NoTls };
    QString url;
    Why why = Why::PageNamedFeed;
    QString tlsFailure; // NoTls: why https failed, said if the address is listed already
};

// Handed to the main thread ahead of the result, as soon as the worker knows
// it: the record takes its new address even when the update is stopped later
// (while the channel image loads, say).
struct AddressChange {
    QString feedURL;
    AddressAdoption adoption;
    std::vector<UpdateLogLine> log;     // the update's lines so far
    QStringList schemeGuessesConfirmed; // so far: the feed's own address
};

// What one update found. It reaches the main thread in one hand-over, and the
// main thread alone applies it to the list, the signs and the status.
struct UpdateResult {
    enum class Kind {
        Stopped,   // deactivated or going away: nothing was learnt, nothing changes
        Failed,    // the status says why; the feed's entry and signs stay as they were
        Unchanged, // the server has nothing new and signs are shown
        Published, // a document (or the kept one, signs made again) to show
    };
    Kind kind = Kind::Stopped;
    QString feedURL;
    quint64 activation = 0;
    QDateTime time;

    std::vector<UpdateLogLine> log; // before any adoption
    bool beep = false;
    FeedStatusBoard::State state = FeedStatusBoard::State::Failed;
    QString message;

    // Addresses whose guessed scheme proved right: the feed's own before any
    // adoption, the adopted one after it.
    QStringList schemeGuessesConfirmed;
    std::optional<AddressAdoption> adoption;
    bool adoptionSentAhead = false;         // as an AddressChange, applied before the result
    std::vector<UpdateLogLine> documentLog; // after the adoption, before the signs

    // Published: where the signs go, the feed with its new signs, and for a
    // document read anew (not keepDictionary) its time-to-live and validators.
    QString shownURL;
    FeedDictionary feed;
    bool keepDictionary = false;
    int itemCount = 0;
    std::optional<int> timeToLive;
    QString validatorsKey;
    std::optional<FetchCache::Validators> validators;
};
