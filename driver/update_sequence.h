// The update sequence: from the progress window's creation to its removal.
#pragma once

// How the update sequence ended. Every outcome but Applied has been told to
// the user already, or the user chose it.
enum class UpdateOutcome {
  Applied,        // new version in place and recorded, progress window destroyed
  AlreadyLatest,  // nothing to do
  Cancelled,      // the confirmation cancelled, or waiting for the application given up
  NotInstalled,
  TooOld,  // the installed version cannot be updated by this updater
  Failed,  // anything else, reported in an error box
};

// Runs the whole update. `automatic` leaves out the confirmation and the
// completion box.
UpdateOutcome run_update(bool automatic);
