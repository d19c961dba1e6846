#include "app/sessionend.h"

// Windows ends a session through the session manager's request alone, which Qt delivers.
void SessionEnd::watchSystem() { }
