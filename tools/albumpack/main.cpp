// albumpack: builds albums from a manifest and inspects existing ones.
#include <iostream>
#include <string>
#include <vector>

#include "tools/albumpack/commands.h"

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
    "       albumpack check ALBUM       every item against its settings\n";

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
