#pragma once

namespace vex {

// Gives every file type the program took over back to its previous handler.
// Returns false when some type could not be restored.
bool RestoreAssociations();

} // namespace vex
