// The opening before an album pass and the ending after it: the album
// background with the opening (ending) picture for 900 ms, then the title
// written over it, statically or line by line with a text effect, until the
// phase has lasted the album's duration for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "show/show_parts.h"
#include "texteffects/text_effects.h"

namespace lantern::texteffects {

// The text's lines, split at carriage-return line-feed pairs.
std::vector<std::string> TitleLines(const std::string& text);

class TitleSequence final : public show::ShowOpeningEnding {
 public:
  TitleSequence(TextEffects& effects, const album::AlbumSettings& settings)
      : effects_(effects), settings_(settings) {}

  void Opening(show::ShowStage& stage) override;
  void Ending(show::ShowStage& stage) override;
  bool RelayoutRedraw(show::ShowStage& stage) override;

  // The picture phase (the first 900 ms) or the title phase is up, and the
  // title text on screen now.
  bool picture_up() const { return picture_up_; }
  bool title_up() const { return title_up_; }
  const std::string& title_line() const { return title_line_; }

 private:
  struct Phase {
    const char* image;  // the album picture's item name
    const std::string& text;
    float duration_seconds;
  };
  void Run(show::ShowStage& stage, const Phase& phase);
  void WriteTitle(show::ShowStage& stage, const Phase& phase);
  void WriteLines(show::ShowStage& stage, const std::vector<std::string>& lines);
  // The phase has lasted its duration.
  bool Reached() const;
  // The title drawn statically in the title style onto PicDst.
  void DrawTitle(const show::Surfaces& surfaces, const std::string& text,
                 const imaging::DecodedImage* texture);
  // PicDst copied into P4 (the picture without a title), or back.
  void KeepCleanPicture(const show::Surfaces& surfaces);
  void WipeLine(const show::Surfaces& surfaces);
  void Wait(int32_t ms);

  TextEffects& effects_;
  const album::AlbumSettings& settings_;
  const char* image_ = nullptr;  // the picture of the phase that is up
  uint32_t start_ms_ = 0;
  int64_t duration_ms_ = 0;
  bool picture_up_ = false;
  bool title_up_ = false;
  std::string title_line_;
};

}  // namespace lantern::texteffects
