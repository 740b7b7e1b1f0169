#pragma once
#include <functional>

namespace platform {

// The system alert sound. With a listener installed the listener alone hears it;
// otherwise the desktop's beep sounds (on the main thread). Safe from any thread.
void beep();

using BeepListener = std::function<void()>;
void setBeepListener(BeepListener listener);

} // namespace platform
