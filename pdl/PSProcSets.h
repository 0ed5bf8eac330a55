// PSProcSets: the PostScript text the writer puts into a job's prolog. The
// standard procset is the dictionary of short operators the generator's
// drawing, image, pattern and text output calls by name; the second procset
// holds general abbreviations and page set-up procedures; the error handler
// prints a report page when the job fails on the printer. Each body is
// written unchanged after a slash and the procset's name, so it ends by
// storing its dictionary under that name.
#pragma once

namespace PSProcSets {

// "200 dict dup begin" ... "end def ": the standard procset.
const char* StandardBody();
// "94 dict def MS_Win35_Proc begin" ... "end": the second procset.
const char* Win35Body();
// The error handler resource's program.
const char* ErrorHandlerBody();

}  // namespace PSProcSets
