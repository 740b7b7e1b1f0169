#pragma once
#include <QString>

// The desktop's side of the platform layers for the window host: URLs go to
// QDesktopServices (web and mail addresses only), the beep stays the platform's and
// log lines go to the system log, and the problems among them (every line when
// verbose) to stderr as well.
void installDesktopHooks(bool verbose = false);
void removeDesktopHooks();

// Opens the link a URL-action sign carries. Only http and https links are opened;
// anything else, or a link no handler takes, sounds the alert. Returns whether it
// was opened.
bool openSignLink(const QString& link);
