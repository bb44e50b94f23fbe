#include "update_sequence.h"

// Placeholder until the sequence is built: no update is applied yet.
bool run_update(bool automatic) {
  (void)automatic;
  return false;
}
