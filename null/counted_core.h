// The second copy of the core, on the counting GL layer (null/CMakeLists.txt), as the programs
// that link it beside the real core and libGL call it.
#pragma once

#include <string>

#include "null/countgl.h"
#include "viewer/state.h"

extern ViewerState CountedViewer;
void CountedResetViewerState();
void CountedInitScene();
void CountedRequestRedraw();
void CountedRenderFrame();
void CountedTrackballStart(int button, int x, int y);
void CountedTrackballMotion(int x, int y);
void CountedTrackballStop(int button, int x, int y);
bool CountedViewerOpenFile(const std::string& path, std::string* error);
std::string CountedViewerTitle();
