#pragma once

class WindowHost;

// For documentation and checks: with PENNANT_SCREENSHOT=FILE set, the ticker saves
// a picture of itself after PENNANT_SCREENSHOT_DELAY seconds (default 25) and quits.
// With PENNANT_SCREENSHOT_MENU=1 it first clicks the first sign that has a custom
// action (or, without one, opens the host's menu) and takes the menu in the picture;
// with PENNANT_SCREENSHOT_PREFERENCES=1 the picture is of the preferences window.
// Lives beside the host's main(), not in the window host: main installs it on the
// host's shown signal only when PENNANT_SCREENSHOT asks for a picture.
bool screenshotRequested();
void scheduleScreenshotFromEnvironment(WindowHost& host);
