// Song playback through DirectShow: every player is a new filter graph,
// built for one file by IGraphBuilder::RenderFile and driven through
// IMediaControl, IMediaPosition and IBasicAudio. This header does not include
// <windows.h>.
#pragma once

#include <memory>

#include "platform/media.h"

namespace lantern::platform::win32 {

// Initialises COM for the calling thread when it is not yet (and undoes
// that when destroyed). Players must be used on the thread that made them.
std::unique_ptr<MediaPlayerFactory> CreateDirectShowFactory();

// Graphs made and not yet destroyed (their last reference released), for
// tests that check every song's graph goes.
int DirectShowGraphsAlive();

}  // namespace lantern::platform::win32
