// The fonts of the host's print path: the graphics library's services in
// the record the print command installs (the instance's font database and
// graphics state, the spooling filters' save and load of the job's fonts on
// replay, the font pool's reset), and the process-wide font pool of the
// host's copy of the print path for the length of a job.
#pragma once

struct GUpwardServices;

namespace qvhost {

// Adds the font and graphics services to the record before it is installed.
void AddPrintFontServices(GUpwardServices* services);
// Registers a new font pool (after the record with its factory is
// installed); StopPrintFontPool deletes it.
void StartPrintFontPool();
void StopPrintFontPool();

}  // namespace qvhost
