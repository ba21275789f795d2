#include "shell/Associations.h"

namespace vex {

// The association backups are not written by anything yet, so there is
// nothing to give back; the options page that takes types over brings the
// real restore with it.
bool RestoreAssociations() { return true; }

} // namespace vex
