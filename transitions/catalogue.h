// The transitions by number (0-40) and the dispatch the run loop calls: each
// number's routine with its direction argument (the slide's two-way or four-way
// random pick, or for number 5 also a cell size). Number 32 has two routines,
// chosen by the two-way pick. Numbers without a routine yet draw nothing, so
// the run loop's final copy changes the slide.
#pragma once

#include <cstdint>
#include <string_view>

#include "player/pacing.h"
#include "player/presenter.h"
#include "player/show_state.h"
#include "player/surfaces.h"
#include "transitions/transition_run.h"

namespace lantern::transitions {

// Which random pick a routine takes as its direction.
enum class DirectionArg { kNone, kPick2, kPick4, kCellSizeAndPick2 };

using Routine = void (*)(TransitionRun& run, int32_t dir);

struct CatalogueEntry {
  std::string_view name;
  DirectionArg arg;
  Routine routine;  // nullptr: not built yet, draws nothing
  // The next routine needs the old slide kept readable in PicDst.
  bool keeps_old_slide = false;
};

inline constexpr int32_t kLastTransition = 40;

class Catalogue {
 public:
  explicit Catalogue(TransitionContext context) : context_(std::move(context)) {}

  // Transition `number` from PicDst (the old slide) to PicSource (the new).
  // Numbers outside 0-40 run nothing.
  void Run(int32_t number, const player::Surfaces& surfaces, int32_t pick2, int32_t pick4);

  // The entry a number dispatches to with this two-way pick (32 has two).
  static const CatalogueEntry* Entry(int32_t number, int32_t pick2);
  // Whether the number (with this pick) has a routine.
  static bool Has(int32_t number, int32_t pick2 = 0);
  // The direction values a number takes: 1, 2 or 4.
  static int32_t DirectionCount(int32_t number);

  TransitionContext& context() { return context_; }
  // PicDst's DrawWidth as the last routine left it (a routine that widens the
  // pen sets it back to 1).
  int32_t draw_width() const { return draw_width_; }
  // The DrawWidth a routine is drawing with right now (for tests that look
  // from inside a frame).
  int32_t current_draw_width() const { return run_ ? run_->draw_width() : draw_width_; }

 private:
  TransitionContext context_;
  TransitionRun* run_ = nullptr;
  int32_t draw_width_ = 1;
};

}  // namespace lantern::transitions
