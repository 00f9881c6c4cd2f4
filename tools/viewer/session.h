// session.h - a viewer session: the window, the scene and camera the viewer
// hosts, and the frame loop that draws them, interactive or headless.
#ifndef QUELM_VIEWER_SESSION_H
#define QUELM_VIEWER_SESSION_H

#include "tools/viewer/options.h"

namespace quelm_viewer {

// Runs the session to its end and prints its summary; the exit status.
// Throws quelm_tool::Failure with a one-line message when it cannot go on.
int run_session(const ViewerOptions &options);

}  // namespace quelm_viewer

#endif
