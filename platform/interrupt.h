// The user's request to stop a console program: Ctrl+C (and Ctrl+Break, and
// the console window's close on Windows; SIGINT, SIGTERM and SIGHUP
// elsewhere). Once caught, the program is asked to stop rather than ended;
// it then winds down, and a second request ends it at once.
#pragma once

namespace platform {

// From now on a request to stop is caught.
void CatchInterrupts();

// True once a request to stop has come.
bool Interrupted();

// The program has wound down. Where the system ends the program as soon as
// the request's handler returns (the console's close on Windows), the
// handler waits for this, for a few seconds at most.
void WoundDown();

}  // namespace platform
