#pragma once
// The driver's globals taken together: the window, input and frame clock records, the graphics
// globals, whether the device is up, and the fatal-error hooks.

// Puts every one of them back to its state at program start, without releasing or shutting down
// anything they point to: for tests and harnesses that run the driver more than once in one
// process. A new global of the driver belongs here too.
void driver_reset_state();
