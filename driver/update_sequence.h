// The update sequence: from the progress window's creation to its removal.
#pragma once

// Runs the whole update. `automatic` leaves out the confirmation and the
// completion box. True when the update was applied and the progress window
// has been destroyed; false after the failure has been reported, or when the
// user cancelled.
bool run_update(bool automatic);
