// The module's fonts: the graphics library's services in the record the
// module installs, and the process-wide TrueType font pool, which lives
// from the module's attach to its detach.
#pragma once

struct GUpwardServices;

namespace qvmodule {

// Adds the graphics library's services to the record: the print-side
// instance's font database and graphics state, the spooling filters' font
// save and load, and the driver server's reset of the font pool.
void AddFontServices(GUpwardServices* services);
// Creates and registers the font pool; after the record is installed (the
// pool's lock comes from the platform factory).
void StartFontPool();
// Deletes the registered pool, after the driver server has let go of its
// instances.
void StopFontPool();

}  // namespace qvmodule
