// What the sources of the controls share among themselves; nothing outside them includes it.
#pragma once

namespace px2d {

// Hands the exception being handled (call it inside a catch) to the failure reporter: a window
// procedure or a timer ends a failing handler here, so that no exception crosses into the system.
void ReportHandlerFailure();

}  // namespace px2d
