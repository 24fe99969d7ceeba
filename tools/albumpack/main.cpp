// albumpack: builds albums from a manifest or a folder of photos, and
// inspects existing ones.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "tools/albumpack/commands.h"
#include "tools/albumpack/help.h"
#include "tools/albumpack/lyrics_command.h"
#include "tools/albumpack/render.h"
#include "tools/albumpack/video_command.h"
#ifndef _WIN32
#include "tools/albumpack/studio_command.h"
#endif

#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/native/native_platform.h"
#endif

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include "base/text.h"

#ifndef _WIN32
// fontconfig keeps a little of its configuration for the life of the process
// and never frees it; under the leak checker that is not this program's leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

namespace {

constexpr int kUsageError = 2;

// The platform the tools decode and draw with: the Windows backend, and on
// Linux the native one.
std::unique_ptr<lantern::platform::ToolPlatform> ToolPlatform() {
#ifdef _WIN32
  return lantern::platform::win32::CreateWin32Platform();
#else
  return std::make_unique<lantern::platform::native::NativePlatform>();
#endif
}

std::string Option(const lantern::albumpack::ParsedArguments& a, const std::string& name) {
  const auto it = a.options.find(name);
  return it == a.options.end() ? "" : it->second;
}

// Reads --size into width and height when given; false (said on the error
// output) when it is not WIDTHxHEIGHT.
bool SizeOption(const lantern::albumpack::ParsedArguments& a, int32_t& width, int32_t& height) {
  const auto size = a.options.find("--size");
  if (size == a.options.end()) return true;
  if (std::sscanf(size->second.c_str(), "%dx%d", &width, &height) == 2 && width >= 1 &&
      height >= 1 && width <= 16384 && height <= 16384)
    return true;
  std::cerr << "albumpack: --size is WIDTHxHEIGHT, for example 1920x1080\n";
  return false;
}

int RenderCommand(const lantern::albumpack::ParsedArguments& a) {
  lantern::albumpack::RenderOptions options;
  options.album = a.words[0];
  options.photo = std::atoi(a.words[1].c_str());
  options.output = a.words[2];
  if (!SizeOption(a, options.width, options.height)) return kUsageError;
    // The album's packaged fonts are drawn with, as the player installs them.
#ifdef _WIN32
  const auto platform = lantern::platform::win32::CreateWin32Platform();
  options.add_font = [&](std::vector<uint8_t> bytes) {
    lantern::platform::win32::AddPrivateFont(*platform, std::move(bytes));
  };
#else
  const auto platform = std::make_unique<lantern::platform::native::NativePlatform>();
  options.add_font = [&](std::vector<uint8_t> bytes) {
    platform->native_text().AddFontBytes(std::move(bytes));
  };
#endif
  return lantern::albumpack::Render(options, *platform, std::cout, std::cerr);
}

#ifndef _WIN32
// A whole number in [low, high] from an option, when given.
bool NumberOption(const lantern::albumpack::ParsedArguments& a, const std::string& name,
                  long long low, long long high, long long& value) {
  const auto it = a.options.find(name);
  if (it == a.options.end()) return true;
  char* end = nullptr;
  const long long n = std::strtoll(it->second.c_str(), &end, 10);
  if (!it->second.empty() && *end == '\0' && n >= low && n <= high) {
    value = n;
    return true;
  }
  std::cerr << "albumpack video: " << name << " is a whole number from " << low << " to " << high
            << "\n";
  return false;
}

#endif

int VideoCommand(const lantern::albumpack::ParsedArguments& a) {
#ifdef _WIN32
  (void)a;
  std::cerr << "albumpack video: only the Linux build makes videos\n";
  return 1;
#else
  lantern::albumpack::VideoOptions options;
  options.album = a.words[0];
  options.output = Option(a, "-o");
  options.frames_folder = Option(a, "--frames");
  options.progress = isatty(2) != 0;
  if (options.output.empty() == options.frames_folder.empty()) {
    std::cerr << "albumpack video: name the video to write with -o VIDEO.mp4, or the folder "
                 "for frames with --frames DIR\n"
              << lantern::albumpack::CommandUsage("video");
    return kUsageError;
  }
  long long fps = options.fps;
  long long seed = options.seed;
  long long from = 0;
  long long to = 0;
  if (!SizeOption(a, options.width, options.height) || !NumberOption(a, "--fps", 1, 240, fps) ||
      !NumberOption(a, "--seed", 0, 0xFFFFFF, seed) ||
      !NumberOption(a, "--from", 1, 1'000'000, from) ||
      !NumberOption(a, "--to", from > 0 ? from : 1, 1'000'000, to))
    return kUsageError;
  options.first_slide = from;
  options.last_slide = to;
  options.fps = static_cast<int32_t>(fps);
  options.seed = static_cast<uint32_t>(seed);
  const auto platform = std::make_unique<lantern::platform::native::NativePlatform>();
  options.add_font = [&](std::vector<uint8_t> bytes) {
    platform->native_text().AddFontBytes(std::move(bytes));
  };
  return lantern::albumpack::Video(options, *platform, std::cout, std::cerr);
#endif
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

int BuildCommand(const std::string& builder_path, const lantern::albumpack::ParsedArguments& a) {
  lantern::albumpack::BuildOptions options;
  options.builder_path = builder_path;
  options.progress = isatty(2) != 0;
  options.manifest = a.words[0];
  options.output = Option(a, "-o");
  options.stub = Option(a, "--stub");
  options.music = Option(a, "--music");
  if (options.output.empty()) {
    std::cerr << "albumpack build: name the album to write with -o ALBUM.scr\n"
              << lantern::albumpack::CommandUsage("build");
    return kUsageError;
  }
  const auto platform = ToolPlatform();
  return lantern::albumpack::Build(options, platform->pictures(), std::cout, std::cerr);
}

int StudioCommand(const lantern::albumpack::ParsedArguments& a) {
#ifdef _WIN32
  (void)a;
  std::cerr << "albumpack studio: not in this build; use the Linux albumpack\n";
  return 1;
#else
  lantern::albumpack::StudioOptions options;
  options.album = a.words.empty() ? "" : a.words[0];
  options.open_browser = a.options.count("--no-browser") == 0;
  if (const std::string port = Option(a, "--port"); !port.empty()) {
    char* end = nullptr;
    const long value = std::strtol(port.c_str(), &end, 10);
    if (*end != '\0' || value < 1 || value > 65535) {
      std::cerr << "albumpack studio: --port is a number from 1 to 65535\n";
      return kUsageError;
    }
    options.port = static_cast<uint16_t>(value);
  }
  return lantern::albumpack::Studio(options, std::cout, std::cerr);
#endif
}

int RunCommand(const std::vector<std::string>& args) {
  using namespace lantern::albumpack;
  const std::string& command = args[1];
  const std::vector<std::string> rest(args.begin() + 2, args.end());
  ParsedArguments a;
  if (std::string why; !ParseArguments(command, rest, a, why)) {
    std::cerr << "albumpack " << command << ": " << why << "\n"
              << CommandUsage(command) << "(albumpack " << command << " --help says more)\n";
    return kUsageError;
  }
  const std::vector<std::string>& w = a.words;
  if (command == "build") return BuildCommand(args[0], a);
  if (command == "init") return Init(w[0], Option(a, "--music"), std::cout, std::cerr);
  if (command == "render") return RenderCommand(a);
  if (command == "video") return VideoCommand(a);
  if (command == "lyrics") return LyricsCommand(w[0]);
  if (command == "studio") return StudioCommand(a);
  if (command == "list") return List(w[0], std::cout, std::cerr);
  if (command == "settings") return Settings(w[0], std::cout, std::cerr);
  if (command == "check") return Check(w[0], ToolPlatform()->pictures(), std::cout, std::cerr);
  return Extract(w[0], w[1], std::cout, std::cerr);
}

// Help and the version go to the standard output with exit code 0; a wrong
// command line gets the usage on the error output and exit code 2.
int Run(const std::vector<std::string>& args) {
  using namespace lantern::albumpack;
  const std::string first = args.size() > 1 ? args[1] : "";
  const auto asks_help = [](const std::string& a) { return a == "--help" || a == "-h"; };
  if (asks_help(first) || first == "help") {
    std::cout << Usage();
    return 0;
  }
  if (first == "--version" || first == "-V") {
    std::cout << "albumpack " << LANTERN_VERSION << "\n";
    return 0;
  }
  if (!IsCommand(first)) {
    if (!first.empty()) std::cerr << "albumpack: unknown command \"" << first << "\"\n";
    std::cerr << Usage();
    return kUsageError;
  }
  if (std::any_of(args.begin() + 2, args.end(), asks_help)) {
    std::cout << CommandHelp(first);
    return 0;
  }
  return RunCommand(args);
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
