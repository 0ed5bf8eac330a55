// The graphics library's part of the upward services: what the print path
// below it reaches of the font and graphics model. The print-side
// instance's font database and graphics-state objects, the spooling
// filters' save and load of the job's fonts, and the driver server's reset
// of the font pool. The module's entry and the host's print command add
// them to the record they install.
#pragma once

struct GUpwardServices;

// Fills in renderGraphics, spoolFonts and fontPoolReset.
void AddGraphicsServices(GUpwardServices* services);

// Makes a new process-wide font pool and registers it (a pool registered
// before is deleted); DestroyFontPool deletes the registered one. The pool
// takes its lock from the platform factory, so the factory is installed
// first.
void CreateFontPool();
void DestroyFontPool();
