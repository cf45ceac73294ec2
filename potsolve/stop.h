// The solver's two ways of ending a wait or a run.
#pragma once

namespace potsolve {

// The solver's own pause: writes " Press Any To Continue ..." and leaves the line
// open, then waits for one console line; end of input ends the wait as a line
// does, so that a script's run ends as the handled failure it is.
void press_key();

// Ends the run at once without further text (textio::Stop). A handled failure
// ends with exit status 1 so that a pipeline does not go on.
[[noreturn]] void silent_stop();

}  // namespace potsolve
