// The solver's two ways of ending a wait or a run.
#pragma once

namespace potsolve {

// The solver's own pause: writes " Press Any To Continue ..." and leaves the line
// open, then waits for one console line. End of input is a fatal input error.
void press_key();

// Ends the run at once without further text (textio::Stop). A handled failure
// ends with exit status 1 so that a pipeline does not go on.
[[noreturn]] void silent_stop();

}  // namespace potsolve
