// The album's packaged fonts: when a text style asks for a face the system
// lacks, the album's font files are stored in the user's folder, registered
// with the system, and waited for. Nothing here shows a message; a font that
// cannot be installed leaves the system to substitute another face.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/property_bag.h"
#include "platform/platform.h"

namespace lantern::album {

// What the album's fonts need of the system.
struct FontServices {
  platform::Fonts& fonts;
  platform::Registry& registry;   // the fonts folders, the Fonts key
  platform::CodePage& code_page;  // family names stored in the ANSI code page
  platform::FileSystem& files;
};

class AlbumFonts {
 public:
  // `wait_ms` pauses while window messages keep flowing.
  AlbumFonts(const FontServices& services, AlbumItems& items, std::function<void(int32_t)> wait_ms)
      : fonts_(services.fonts),
        registry_(services.registry),
        code_page_(services.code_page),
        files_(services.files),
        items_(items),
        wait_ms_(std::move(wait_ms)) {}

  // Makes the four style fonts usable if the album can: a style whose face is
  // missing but whose check name is installed switches to the check name; if
  // a face is still missing the packaged fonts are installed. Sets
  // `needs_elevation` when the fonts folder is not writable.
  void EnsureAlbumFonts(AlbumSettings& settings, const PropertyBag& store, int32_t version_class,
                        bool& needs_elevation);

  // Every style's face can be drawn.
  bool StyleFontsUsable(const AlbumSettings& settings);
  // Stores the packaged fonts whose faces are missing and registers them; true
  // when at least one needed registering.
  bool InstallFonts(const AlbumSettings& settings, const PropertyBag& store, int32_t version_class,
                    bool& needs_elevation);
  // Registers the font file `name` in `folder` with the system.
  bool RegisterFont(const std::string& folder, const std::string& name, int32_t version_class);
  // The family name of a font file; empty when there is none or no such file.
  std::string FamilyName(const std::string& path);

  // The folder the album's font files are stored in ("PemoFont\" under the
  // user's application data), and the system's fonts folder; both end in "\".
  std::string FontStoreFolder();
  std::string FontsFolder();

 private:
  bool FontsFolderWritable();
  // Font n in its stored file "Pemofont" slot type in `folder`: the slot of a
  // file of its type and size an earlier start stored, or n once written now;
  // 0 when it cannot be written.
  int StoreFont(const PropertyBag& store, const std::string& folder, int n);

  platform::Fonts& fonts_;
  platform::Registry& registry_;
  platform::CodePage& code_page_;
  platform::FileSystem& files_;
  AlbumItems& items_;
  std::function<void(int32_t)> wait_ms_;
};

}  // namespace lantern::album
