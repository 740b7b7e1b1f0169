#pragma once
#include "app/instance/InstanceAddress.h"
#include "app/instance/InstanceMessage.h"

// A pennant's end of the channel to the ticker running on its settings file.
enum class Delivery {
    Answered, // the running ticker took the request; its reply is set
    NoTicker, // none runs on this settings file
    Failed,   // one runs but did not answer; the problem is set
};

// Blocks up to waitMs while a ticker that holds the lock has not begun to listen,
// and up to answerMs for its reply. Needs no Qt application.
Delivery deliverToRunningTicker(const InstanceAddress& address, const InstanceRequest& request,
                                InstanceReply* reply, QString* problem, int waitMs = 10'000,
                                int answerMs = 60'000);

// Whether a ticker holds the address's lock now.
bool tickerRunsAt(const InstanceAddress& address);
