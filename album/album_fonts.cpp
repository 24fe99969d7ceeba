// The album's packaged fonts.
#include "album/album_fonts.h"

#include <array>
#include <exception>

#include "album/font_name.h"
#include "base/text.h"

namespace lantern::album {

namespace {

constexpr int kFontSlots = 4;  // one font per text style
constexpr char kFontsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

std::string DotType(const PropertyBag& store, int n) {
  return "." + store.ReadText(IndexedKey("ToInstallFont(", n) + "_Type");
}

}  // namespace

std::string AlbumFonts::FontStoreFolder() {
  return WithBackslash(registry_.SpecialFolderPath(platform::SpecialFolder::kApplicationData)) +
         "PemoFont\\";
}

std::string AlbumFonts::FontsFolder() {
  return WithBackslash(registry_.SpecialFolderPath(platform::SpecialFolder::kFonts));
}

void AlbumFonts::EnsureAlbumFonts(AlbumSettings& settings, const PropertyBag& store,
                                  int32_t version_class, bool& needs_elevation) {
  if (settings.ToInstallFontCount <= 0) return;
  try {
    bool usable = true;
    for (int k = 1; k <= kStyleCount && usable; ++k) {
      if (fonts_.FontFaceUsable(settings.fFontName[k])) continue;
      const std::string& check = settings.fFontNameForCheck[k];
      if (!check.empty() && check != settings.fFontName[k] && fonts_.FontFaceUsable(check)) {
        settings.fFontName[k] = check;
        continue;
      }
      usable = false;
    }
    if (usable) return;
    if (InstallFonts(settings, store, version_class, needs_elevation) && version_class != 6) {
      for (int i = 0; i < 100 && !StyleFontsUsable(settings); ++i)
        wait_ms_(100);
    }
  } catch (const std::exception&) {
    // fonts stay as they are; text is drawn with what the system substitutes
  }
}

bool AlbumFonts::StyleFontsUsable(const AlbumSettings& settings) {
  for (int k = 1; k <= kStyleCount; ++k) {
    if (!fonts_.FontFaceUsable(settings.fFontName[k])) return false;
  }
  return true;
}

bool AlbumFonts::FontsFolderWritable() {
  const std::string test = FontsFolder() + "~Pemo_chk~.ttf";
  if (files_.Exists(test)) files_.DeleteTree(test);
  if (!files_.WriteAt(test, {}, 0)) return false;
  files_.DeleteTree(test);
  return true;
}

int AlbumFonts::StoreFont(const PropertyBag& store, const std::string& folder, int n) {
  const std::string dot_type = DotType(store, n);
  const int32_t size = store.Read(IndexedKey("ToInstallFont(", n) + "_Size").ToInt32().value_or(-1);
  for (int slot = 1; slot <= kFontSlots; ++slot) {
    const auto found = files_.FileSize(folder + "Pemofont" + std::to_string(slot) + dot_type);
    if (found && static_cast<int64_t>(*found) == size) return slot;  // stored by an earlier start
  }
  const std::string stored = folder + "Pemofont" + std::to_string(n) + dot_type;
  if (files_.Exists(stored)) files_.DeleteTree(stored);
  const auto bytes = items_.LoadItemBytes(IndexedKey("ToInstallFont(", n));
  if (!bytes || !files_.WriteMapped(stored, *bytes, 0)) return 0;
  return n;
}

bool AlbumFonts::InstallFonts(const AlbumSettings& settings, const PropertyBag& store,
                              int32_t version_class, bool& needs_elevation) {
  needs_elevation = !FontsFolderWritable();
  if (needs_elevation) return false;  // fonts are never installed with elevation
  const std::string folder = FontStoreFolder();
  if (!files_.IsFolder(folder)) files_.CreateFolder(folder);
  // The stored file to register, by its slot. A file stored by an earlier
  // start is probed like a new one: registrations end with the session that
  // made them, so after a logoff its face is missing again.
  std::array<std::string, kFontSlots + 1> to_register;
  const int count = std::min(settings.ToInstallFontCount, kFontSlots);
  for (int n = 1; n <= count; ++n) {
    const int slot = StoreFont(store, folder, n);
    if (slot == 0) continue;
    const std::string name = "PemoFont" + std::to_string(slot) + DotType(store, n);
    if (!fonts_.FontFaceUsable(FamilyName(folder + name)))
      to_register[static_cast<size_t>(slot)] = name;
  }
  bool any = false;
  for (const std::string& name : to_register) {
    if (name.empty()) continue;
    any = true;
    RegisterFont(folder, name, version_class);
  }
  return any;
}

bool AlbumFonts::RegisterFont(const std::string& folder, const std::string& name,
                              int32_t version_class) {
  const std::string path = folder + name;
  if (version_class == 5) {
    // Before version 6 a font is installed by copying it into the fonts folder.
    const std::string target = FontsFolder() + name;
    const auto there = files_.FileSize(target);
    if (there && there == files_.FileSize(path)) return true;
    if (there) files_.DeleteTree(target);
    files_.CopyFileReplacing(path, target);
    return true;
  }
  if (name.size() < 4 || base::AsciiUpper(name.substr(name.size() - 3)) != "TTF") return true;
  const std::string resource = folder + name.substr(0, name.size() - 4) + ".FOT";
  if (files_.Exists(resource)) files_.DeleteTree(resource);
  if (!fonts_.MakeFontResource(resource, name, folder)) return false;
  fonts_.AddFontFile(resource);
  // A font whose name cannot be read keeps the key's other values as they are.
  if (const std::string family = FamilyName(path); !family.empty()) {
    registry_.WriteRegistryString(platform::RegistryRoot::kLocalMachine, kFontsKey, family, path);
  }
  fonts_.BroadcastFontChange();
  files_.DeleteTree(resource);
  return true;
}

std::string AlbumFonts::FamilyName(const std::string& path) {
  const auto bytes = files_.ReadFile(path);
  if (!bytes) return {};
  return code_page_.DecodeAnsi(FontFamilyBytes(*bytes));
}

}  // namespace lantern::album
