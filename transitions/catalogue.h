// The transitions by number (0-40) and the dispatch the run loop calls: each
// number's routine with its direction argument (the slide's two-way or four-way
// random pick, or for number 5 also a cell size). Number 32 has two routines,
// chosen by the two-way pick. Numbers without a routine yet draw nothing, so
// the run loop's final copy changes the slide.
#pragma once

#include <cstdint>
#include <string_view>

#include "show/show_parts.h"
#include "show/surfaces.h"
#include "transitions/routine.h"

namespace lantern::transitions {

// Which random pick a routine takes as its direction.
enum class DirectionArg { kNone, kPick2, kPick4, kCellSizeAndPick2 };

using Routine = void (*)(FrameRun& run, int32_t dir);

struct CatalogueEntry {
  std::string_view name;
  DirectionArg arg;
  Routine routine;  // nullptr: not built yet, draws nothing
  // The routine reads the old slide from PicDst's kept picture, so the slide
  // before it must leave that picture readable.
  bool keeps_old_slide = false;
};

inline constexpr int32_t kLastTransition = 40;

class Catalogue final : public show::ShowTransitions {
 public:
  // The context's version class must be the probed one: the step size of the
  // step-based routines follows it.
  explicit Catalogue(FrameContext context) : context_(std::move(context)) {}

  // Transition `number` from PicDst (the old slide) to PicSource (the new).
  // Numbers outside 0-40 run nothing.
  void Run(int32_t number, const show::Surfaces& surfaces, int32_t pick2, int32_t pick4) override;
  bool KeepsOldSlide(int32_t number) const override;

  // The entry a number dispatches to with this two-way pick (32 has two).
  static const CatalogueEntry* Entry(int32_t number, int32_t pick2);
  // Whether the number (with this pick) has a routine.
  static bool Has(int32_t number, int32_t pick2 = 0);
  // The direction values a number takes: 1, 2 or 4.
  static int32_t DirectionCount(int32_t number);

  FrameContext& context() { return context_; }
  // PicDst's DrawWidth as the last routine left it (a routine that widens the
  // pen sets it back to 1).
  int32_t draw_width() const { return draw_width_; }
  // The DrawWidth a routine is drawing with right now (for tests that look
  // from inside a frame).
  int32_t current_draw_width() const { return run_ ? run_->draw_width() : draw_width_; }

 private:
  FrameContext context_;
  FrameRun* run_ = nullptr;
  int32_t draw_width_ = 1;
};

}  // namespace lantern::transitions
