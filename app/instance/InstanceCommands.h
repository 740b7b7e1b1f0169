#pragma once
#include "app/instance/InstanceMessage.h"

class PluginHost;
class WindowHost;

// What the ticker in its window does for a request another pennant handed it.
// Main thread; the reply is what that pennant prints.
InstanceReply performInWindow(WindowHost& host, PluginHost* plugins, const InstanceRequest& request);
