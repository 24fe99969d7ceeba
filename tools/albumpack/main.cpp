// albumpack: builds albums from a manifest and inspects existing ones.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tools/albumpack/commands.h"
#include "tools/albumpack/lyrics_command.h"
#include "tools/albumpack/render.h"

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/fake/fake_platform.h"
#endif

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "base/text.h"

namespace {

constexpr char kUsage[] =
    "usage: albumpack build MANIFEST.toml -o ALBUM.exe|ALBUM.scr [--stub PLAYER.exe]\n"
    "       albumpack list ALBUM        the items and their sizes\n"
    "       albumpack settings ALBUM    every setting: key, type, value\n"
    "       albumpack extract ALBUM DIR the items, unscrambled, as files\n"
    "       albumpack check ALBUM       every item against its settings\n"
    "       albumpack render ALBUM N OUT.png [--size WxH]   slide N as the player composes it\n"
    "       albumpack lyrics FILE.lrc   the lyric timeline as the player reads it\n";

int RenderCommand(const std::vector<std::string>& args) {
  lantern::albumpack::RenderOptions options;
  if (args.size() != 5 && !(args.size() == 7 && args[5] == "--size")) {
    std::cerr << kUsage;
    return 2;
  }
  options.album = args[2];
  options.photo = std::atoi(args[3].c_str());
  options.output = args[4];
  if (args.size() == 7 &&
      (std::sscanf(args[6].c_str(), "%dx%d", &options.width, &options.height) != 2 ||
       options.width < 1 || options.height < 1 || options.width > 16384 ||
       options.height > 16384)) {
    std::cerr << "albumpack: --size is WIDTHxHEIGHT, for example 1920x1080\n";
    return 2;
  }
#ifdef _WIN32
  auto platform = lantern::platform::win32::CreateWin32Platform();
#else
  auto platform = std::make_unique<lantern::platform::fake::FakePlatform>();
#endif
  return lantern::albumpack::Render(options, *platform, std::cout, std::cerr);
}

// Files without a byte-order mark that are not UTF-8 are read in the
// system's code page on Windows, and in code page 936 elsewhere.
int LyricsCommand(const std::string& path) {
#ifdef _WIN32
  auto platform = lantern::platform::win32::CreateWin32Platform();
  const lantern::media::CodePageDecoder decode = [&](std::string_view bytes) {
    return platform->code_page().DecodeAnsi(bytes);
  };
#else
  const lantern::media::CodePageDecoder decode = lantern::albumpack::DecodeCodePage936;
#endif
  return lantern::albumpack::Lyrics(path, decode, std::cout, std::cerr);
}

int Run(const std::vector<std::string>& args) {
  using namespace lantern::albumpack;
  if (args.size() < 3) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string& command = args[1];
  if (command == "build") {
    BuildOptions options;
    options.builder_path = args[0];
    options.progress = isatty(2) != 0;
    for (size_t i = 2; i < args.size(); ++i) {
      if ((args[i] == "-o" || args[i] == "--stub") && i + 1 < args.size()) {
        (args[i] == "-o" ? options.output : options.stub) = args[i + 1];
        ++i;
      } else if (options.manifest.empty()) {
        options.manifest = args[i];
      } else {
        std::cerr << "albumpack: unexpected argument " << args[i] << "\n" << kUsage;
        return 2;
      }
    }
    if (options.manifest.empty() || options.output.empty()) {
      std::cerr << kUsage;
      return 2;
    }
    return Build(options, std::cout, std::cerr);
  }
  if (command == "render") return RenderCommand(args);
  if (command == "lyrics" && args.size() == 3) return LyricsCommand(args[2]);
  if (command == "list") return List(args[2], std::cout, std::cerr);
  if (command == "settings") return Settings(args[2], std::cout, std::cerr);
  if (command == "check") return Check(args[2], std::cout, std::cerr);
  if (command == "extract" && args.size() == 4)
    return Extract(args[2], args[3], std::cout, std::cerr);
  std::cerr << kUsage;
  return 2;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) {
    const std::wstring w(argv[i]);
    args.push_back(lantern::base::Utf16ToUtf8(std::u16string(w.begin(), w.end())));
  }
  return Run(args);
}
#else
int main(int argc, char** argv) {
  return Run(std::vector<std::string>(argv, argv + argc));
}
#endif
