// OLE on the window thread, started when something first needs it (a drop
// target, an accessibility client, the shell starting a program or a page)
// rather than at start-up: no part of the start needs it, and ole32 and
// oleaut32 are loaded only then (they are delay-loaded), so that every start
// is spared loading and initialising them.
#pragma once

namespace gw {

// Initialises OLE on the calling thread the first time; later calls do
// nothing. Call it on the window thread before a COM or OLE call. True when
// OLE is initialised.
bool EnsureOle();

// At the end of the program: OLE is uninitialised if it was started.
void ReleaseOle();

}  // namespace gw
