// Whole album files as the player reads them: the file laid out as the
// loader maps it, the resource directory read entry by entry, the settings
// blob loaded and every setting read, and every item the settings name
// loaded and handed to its reader (photos and pictures drawn, lyric files
// read). A damaged part may only ever be a missing item: nothing reads
// outside the input, and an entry the album check refuses is never found.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "album/album_settings.h"
#include "album/items.h"
#include "album/pe_image.h"
#include "album/pe_resources.h"
#include "album/picture_source.h"
#include "album/property_bag.h"
#include "imaging/album_pictures.h"
#include "media/lyrics.h"
#include "platform/fake/fake_platform.h"

namespace {

using namespace lantern;

// More than any input here can need, and little enough for the fuzzer's memory.
constexpr uint64_t kMaxImage = uint64_t{64} << 20;
constexpr int kMaxItems = 8;

// What the album check accepts, the player finds: the file read strictly and
// the mapped image read entry by entry agree.
void CheckBothReadings(std::span<const uint8_t> file, const std::vector<uint8_t>& loaded) {
  const album::PeImage player =
      album::PeImage::ParseIntactEntries(loaded, album::ImageLayout::kLoaded);
  const auto checked = album::PeImage::Parse(file, nullptr);
  if (!checked) return;
  for (const album::ResourceEntry& entry : checked->Resources()) {
    const auto found = player.Find(entry.type, entry.name);
    if (!found) std::abort();
  }
}

void ReadItems(platform::fake::FakePlatform& fake, album::AlbumItems& items) {
  const auto blob = items.LoadSettingsBlob();
  album::PropertyBag store;
  if (!blob || store.Load(*blob) != album::LoadError::kNone) return;
  album::AlbumSettings settings;
  try {
    album::ReadAllSettings(store, settings);
  } catch (const album::SettingsError&) {
    return;
  }
  const album::AlbumData album{settings, store, items, fake.files()};
  base::Rnd rnd;
  imaging::AlbumPictures pictures(fake, rnd);
  auto surface = fake.surfaces().CreateSurface(32, 24);
  for (int n = 1; n <= std::min(settings.NowI, kMaxItems); ++n)
    pictures.DrawAlbumPhoto(surface->surface(), album, n, 0);
  for (const char* name : {"BackGroundPicture", "MaskImage", "TextureImage", "btn_prev"}) {
    imaging::DecodedImage decoded;
    pictures.DecodeItem(album, name, decoded);
  }
  for (int n = 1; n <= std::min(settings.NowM, kMaxItems); ++n) {
    items.LoadItemBytes(album::IndexedKey("MusicNames(", n));
    if (const auto lyrics = items.LoadItemBytes(album::IndexedKey("MusicLyricFiles(", n))) {
      media::LyricTimeline timeline;
      media::ParseLyrics(*lyrics, {}, timeline);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  const auto loaded = album::MapLikeLoader(file, kMaxImage, nullptr);
  if (!loaded) return 0;
  CheckBothReadings(file, *loaded);
  auto resources = album::PeImageResources::OverLoadedImage(*loaded);
  platform::fake::FakePlatform fake;
  album::AlbumItems items(resources, fake.files(), fake.loop());
  ReadItems(fake, items);
  return 0;
}
