#pragma once
#include "app/instance/InstanceServer.h"
#include "app/shared/HostOptions.h"

#include <memory>

class PluginHost;
class WindowHost;

// One ticker per settings file. Before anything else starts, a pennant hands
// what it was asked (a command, --import, --export) to the ticker running on its
// settings file and exits with what that one answered; if it is to be the
// ticker itself, it claims the file's channel. Headless hosts take no part: they
// take their commands on stdin, and many of them run side by side in tests.
struct SingleInstance {
    // The exit code when this pennant is done (it said what happened); nothing
    // when it goes on, with *claimed set when it is to be the ticker in its window.
    static std::optional<int> handOver(const HostOptions& options, const QString& settingsPath,
                                       std::unique_ptr<InstanceServer>* claimed);
    // Once the window is up: takes the requests of later pennants.
    static void serve(InstanceServer& server, WindowHost& host, PluginHost* plugins);
};
