// Test helper: a packed album in the fake backend's resources (photos are
// solid-colour pictures in the fake decoder's format, stretched over the whole
// slide), and the program run on it in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "album/items.h"
#include "app/entry.h"
#include "app/program.h"
#include "app/show_assembly.h"
#include "platform/fake/fake_platform.h"
#include "player/frm_pb.h"
#include "settings_fixture.h"
#include "show/probes.h"
#include "transitions/catalogue.h"

namespace lantern::show_fixture {

inline constexpr uint32_t kBackground = 0x302010;  // "SolidColor" 0x102030 as BGRX

class ShowTest : public ::testing::Test {
 public:
  struct Shown {
    double at_ms;
    uint32_t colour;  // the centre pixel, 0xRRGGBB
  };

 protected:
  ShowTest() : writer_(album::fixture::MinimalAlbum()) {
    writer_.SetText("LenOfRes", "1");
    writer_.SetFlag("EnableCaption", false);
    writer_.SetFlag("EnableHeadlineEffect", false);
    writer_.SetFlag("IgnoreMouseMove", false);
    writer_.SetFlag("EnableEnding", false);
    writer_.SetInt16("ImgDrawScale", 4);
    writer_.SetInt16("CurrentMask", 0);
    writer_.SetSingle("TimeInterval", 2.0f);
    writer_.SetText("OrigScreenWidth", "320");
    writer_.SetText("OrigScreenHeight", "240");
    fake_.set_screen({320, 240, 15, 15, 60});
    fake_.set_record_pixels(true);
    fake_.fake_system().module_file_name = "C:\\Albums\\album.scr";
  }

  // Photos 1..n, each a solid colour (0xRRGGBB).
  void Photos(const std::vector<uint32_t>& colours) {
    writer_.SetInt32("NowI", static_cast<int32_t>(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i) {
      imaging::DecodedImage image;
      image.Resize(8, 6);
      std::fill(image.pixels.begin(), image.pixels.end(), 0xFF000000u | colours[i]);
      const std::string name = album::IndexedKey("ImgNames(", static_cast<int>(i) + 1);
      Item(name, "PNG", platform::fake::FakePictureDecoder::Encode(image));
    }
  }
  void Item(const std::string& name, const std::string& type, std::vector<uint8_t> bytes) {
    writer_.SetText(name + "_Type", type);
    writer_.SetInt32(name + "_Size", static_cast<int32_t>(bytes.size()));
    album::ApplyItemKeyStream(bytes);
    fake_.fake_resources().Add(name, std::move(bytes));
  }
  // Song 1, `seconds` long, with these lyrics in the given style, shown in a
  // 300 x 30 lyric area at (10, top) in a 20-pixel font (10 pixels a
  // character on the fake); the sound on.
  void SongWithLyrics(const std::string& lrc, int16_t style, int32_t top, double seconds) {
    Item(album::IndexedKey("MusicNames(", 1), "MP3", {'I', 'D', '3', 0});
    Item(album::IndexedKey("MusicLyricFiles(", 1), "LRC", {lrc.begin(), lrc.end()});
    album::fixture::SongSettings(writer_, style, top);
    for (const char* folder : {"C:\\users", "C:\\users\\me", "C:\\users\\me\\Temp"})
      fake_.files().CreateFolder(folder);
    fake_.fake_media().SetDuration("C:\\users\\me\\Temp\\~Pemo\\1.MP3", seconds);
  }
  // Runs the program with this command line; a close request arrives at `close_at_ms`.
  int Run(const std::string& command_line, int64_t close_at_ms) {
    fake_.fake_resources().Add(album::kSettingsItem, writer_.Blob());
    fake_.fake_system().command_line = command_line;
    fake_.Script({.at_ms = close_at_ms, .type = platform::fake::EventType::kClose});
    return app::RunProgram(fake_);
  }
  // Stand-ins for parts of the show, as plain functions; a part left empty
  // is missing from the show.
  struct TestParts : show::ShowTransitions, show::ShowOpeningEnding {
    std::function<void(int32_t number, const show::Surfaces&, int32_t pick2, int32_t pick4)>
        transition;
    std::function<void()> opening;
    std::function<void()> ending;
    void Run(int32_t number, const show::Surfaces& s, int32_t pick2, int32_t pick4) override {
      transition(number, s, pick2, pick4);
    }
    bool KeepsOldSlide(int32_t number) const override {
      const transitions::CatalogueEntry* e = transitions::Catalogue::Entry(number, 0);
      return e != nullptr && e->keeps_old_slide;
    }
    void Opening(show::ShowStage&) override { opening(); }
    void Ending(show::ShowStage&) override { ending(); }
    bool RelayoutRedraw(show::ShowStage&) override { return false; }
  };
  // Runs start-up and the player form as the program does, with the parts
  // the program builds except that transitions, opening and ending come from
  // `parts` (none when empty, the program's own with catalogue_transitions_), and `setup` called on
  // the form before it loads (to schedule requests, say).
  void RunForm(const std::string& command_line, int64_t close_at_ms,
               const std::function<void(player::FrmPb&)>& setup = {}, TestParts parts = {}) {
    fake_.fake_resources().Add(album::kSettingsItem, writer_.Blob());
    fake_.fake_system().command_line = command_line;
    fake_.Script({.at_ms = close_at_ms, .type = platform::fake::EventType::kClose});
    app::StartUp start;
    ASSERT_TRUE(app::RunStartUp(fake_, start));
    values_ = start.values;
    values_.WindowsVersionClass = show::ProbeVersionClass(fake_.process());
    app::ShowAssembly assembly(fake_, values_, start.settings, start.store);
    show::ShowParts given = assembly.parts();
    if (parts.transition) {
      given.transitions = &parts;
    } else if (!catalogue_transitions_) {
      given.transitions = nullptr;
    }
    if (parts.opening || parts.ending) given.opening_ending = &parts;
    if (!parts.opening) parts.opening = [] {};
    if (!parts.ending) parts.ending = [] {};
    player::FrmPb form(assembly.context(), start.settings, start.store, given);
    if (setup) setup(form);
    form.Run();
    EXPECT_TRUE(form.StopDone());
    EXPECT_FALSE(fake_.Exists(form.window()));
  }
  // Runs `call` at virtual time `at_ms`, as an input handler would.
  void At(int64_t at_ms, std::function<void()> call) {
    fake_.Script({.at_ms = at_ms, .type = platform::fake::EventType::kCall, .call = call});
  }

  // A mask that frames the photo (the background shows through the edges),
  // and a background picture of the background's colour, read anew for every
  // slide just before the mask is applied.
  void MaskFrame() {
    imaging::DecodedImage mask;
    mask.Resize(8, 8);
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 8; ++x)
        mask.pixels[static_cast<size_t>(y * 8 + x)] =
            x == 0 || y == 0 || x == 7 || y == 7 ? 0xFF404040u : 0xFFFFFFFFu;
    Item("MaskImage", "PNG", platform::fake::FakePictureDecoder::Encode(mask));
    writer_.SetInt16("CurrentMask", 1);
    imaging::DecodedImage background;
    background.Resize(4, 4);
    std::fill(background.pixels.begin(), background.pixels.end(), 0xFF000000u | kBackground);
    Item("BackGroundPicture", "PNG", platform::fake::FakePictureDecoder::Encode(background));
    writer_.SetText("BackGroundSet", "3");
    writer_.SetInt16("BackgroundDrawScale", 4);
  }
  // Runs `call` inside the mask step of the `slide`-th composition (1 for the
  // first slide) of an album with MaskFrame: once its background is read,
  // every counter read takes a millisecond, so the mask's per-row pump
  // delivers the call at its first row. Returns the flag that the moment came.
  std::shared_ptr<bool> AtMaskStep(int slide, std::function<void()> call) {
    auto reached = std::make_shared<bool>(false);
    auto loads = std::make_shared<int>(0);
    fake_.fake_resources().on_load = [this, slide, call, reached, loads](const std::string& name) {
      if (name != "BackGroundPicture" || ++*loads != slide) return;
      fake_.set_counter_step(10'000);
      const auto now = static_cast<int64_t>(fake_.now_ms_exact());
      At(now, [call, reached] {
        *reached = true;
        call();
      });
      At(now + 1500, [this] { fake_.set_counter_step(10); });
    };
    return reached;
  }

  // Every present of a whole slide (the largest area presented), with its
  // time and the colour at its centre.
  std::vector<Shown> Slides() const {
    int64_t largest = 0;
    for (const auto& p : fake_.presents())
      largest = std::max<int64_t>(largest, int64_t{p.area.width()} * p.area.height());
    std::vector<Shown> shown;
    for (const auto& p : fake_.presents()) {
      if (int64_t{p.area.width()} * p.area.height() != largest) continue;
      const auto centre =
          static_cast<size_t>(p.area.height() / 2 * p.area.width() + p.area.width() / 2);
      shown.push_back({static_cast<double>(p.at_ticks) / platform::fake::kTicksPerMs,
                       p.pixels.at(centre) & 0xFFFFFF});
    }
    return shown;
  }

  platform::fake::FakePlatform fake_;
  album::PropertyBagWriter writer_;
  show::ProcessValues values_;
  // RunForm without a transition part runs the program's own routines.
  bool catalogue_transitions_ = false;
};

}  // namespace lantern::show_fixture
