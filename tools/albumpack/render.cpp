// Rendering one slide of an album to a PNG file.
#include "tools/albumpack/render.h"

#include "album/album_settings.h"
#include "album/items.h"
#include "album/pe_resources.h"
#include "imaging/composition.h"
#include "player/layout.h"
#include "texteffects/headlines.h"
#include "tools/albumpack/file_io.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/png_writer.h"

namespace lantern::albumpack {

namespace {

// The album's packaged fonts, as the player installs them before it draws.
void AddAlbumFonts(album::AlbumItems& items, const album::AlbumSettings& settings,
                   const std::function<void(std::vector<uint8_t>)>& add_font) {
  if (!add_font) return;
  for (int n = 1; n <= settings.ToInstallFontCount; ++n) {
    if (auto font = items.LoadItemBytes(album::IndexedKey("ToInstallFont(", n)))
      add_font(std::move(*font));
  }
}

}  // namespace

int Render(const RenderOptions& o, platform::ToolPlatform& platform, std::ostream& out,
           std::ostream& err) {
  std::string why;
  auto bytes = ReadRegularFile(PathFromUtf8(o.album), why);
  if (!bytes) {
    err << o.album << ": cannot read: " << why << "\n";
    return 1;
  }
  auto resources = album::PeImageResources::Open(std::move(*bytes), &why);
  if (!resources) {
    err << o.album << ": not a 32-bit Windows program: " << why << "\n";
    return 1;
  }
  album::AlbumItems items(*resources, platform.files());
  const auto blob = items.LoadSettingsBlob();
  album::PropertyBag store;
  album::AlbumSettings settings;
  try {
    if (!blob || store.Load(*blob) != album::LoadError::kNone) throw album::SettingsError("");
    album::ReadAllSettings(store, settings);
  } catch (const album::SettingsError& e) {
    err << o.album << ": holds no readable album settings " << e.what() << "\n";
    return 1;
  }
  if (o.photo < 1 || o.photo > settings.NowI) {
    err << o.album << ": has photos 1 to " << settings.NowI << ", not " << o.photo << "\n";
    return 1;
  }
  // Placed as the player places them on a screen of the requested size.
  player::RescaleLayout(settings, {o.width, o.height});
  AddAlbumFonts(items, settings, o.add_font);
  const album::AlbumData album{settings, store, items, platform.files()};
  base::Rnd rnd;
  imaging::AlbumPictures pictures(platform, rnd);
  imaging::DecodedImage mask_picture;
  imaging::DecodedImage texture;
  const bool has_mask = pictures.DecodeItem(album, "MaskImage", mask_picture);
  const bool has_texture = pictures.DecodeItem(album, "TextureImage", texture);
  const imaging::MaskTable mask =
      imaging::BuildMaskTable(has_mask ? &mask_picture : nullptr, o.width, o.height);
  auto slide = platform.surfaces().CreateSurface(o.width, o.height);
  auto background = platform.surfaces().CreateSurface(o.width, o.height);
  imaging::PrepareSlide(o.photo, slide->surface(), background->surface(), album,
                        {pictures, platform.text(), mask, has_texture ? &texture : nullptr, {}});
  texteffects::DrawHeadlineAsShown(platform.text(), slide->surface(), settings, o.photo,
                                   has_texture ? &texture : nullptr);
  const std::vector<uint8_t> png = EncodePng(slide->surface());
  if (const int code = WriteOutputFile(o.output, png, err); code != 0) return code;
  out << o.output << ": slide " << o.photo << " of " << o.album << ", " << o.width << "x"
      << o.height << "\n";
  return 0;
}

}  // namespace lantern::albumpack
