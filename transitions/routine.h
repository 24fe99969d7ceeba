// What a transition routine is written with: the shared frame machinery,
// under the names the routines use.
#pragma once

#include "show/frame_run.h"

namespace lantern::transitions {

using platform::Surface;
using show::Axis;
using show::ForEachPosition;
using show::FrameContext;
using show::FrameRun;
using show::Steps;
using show::StepTicks;
using show::SweepA;
using show::SweepB;

}  // namespace lantern::transitions
