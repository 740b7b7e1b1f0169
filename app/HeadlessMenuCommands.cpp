#include "app/HeadlessHost.h"

void registerMenuCommands(HeadlessHost&) {}
