// A stand-in player for the album tests: the album builder writes an album
// into a copy of this program, which then reads its own resources the way the
// player does and writes each named item, unscrambled, into a folder:
//   album.exe OUT_FOLDER ITEM_NAME...
// It exits with 0 when every item was found and written, 3 when one was not.
#include <string>

#include "album/items.h"
#include "album/pe_resources.h"
#include "base/text.h"
#include "platform/win32/win32_platform.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const auto utf8 = [](const wchar_t* w) {
    const std::wstring s(w);
    return lantern::base::Utf16ToUtf8(std::u16string(s.begin(), s.end()));
  };
  namespace win32 = lantern::platform::win32;
  auto platform = win32::CreateWin32Platform(std::make_unique<lantern::album::PeImageResources>(
      lantern::album::PeImageResources::OverLoadedImage(win32::RunningImage(),
                                                        win32::RunningImageFileReader())));
  lantern::album::AlbumItems items(platform->resources(), platform->files(), platform->loop());
  const std::string folder = utf8(argv[1]);
  int status = items.LoadSettingsBlob() ? 0 : 3;
  for (int i = 2; i < argc; ++i) {
    const std::string name = utf8(argv[i]);
    const auto mode =
        i % 2 == 0 ? lantern::album::WriteMode::kMapped : lantern::album::WriteMode::kPlain;
    if (!items.ExtractItem(name, folder + "\\" + name, mode)) status = 3;
  }
  return status;
}
