// The album builder's command-line help and option parsing, from one table
// of commands.
#include "tools/albumpack/help.h"

#include <algorithm>
#include <initializer_list>

namespace lantern::albumpack {

namespace {

struct Command {
  const char* name;
  const char* arguments;
  const char* summary;
  const char* details;
  std::initializer_list<const char*> options;     // each takes a value
  size_t words;                                   // how many arguments are not options
  std::initializer_list<const char*> flags = {};  // options without a value
  size_t optional_words = 0;                      // how many of `words` may be left out
};

const Command kCommands[] = {
    {"build",
     "MANIFEST.toml|PHOTOS_DIR -o ALBUM.scr [--music DIR] [--stub PLAYER.exe]",
     "make an album from a manifest, or from a folder of photos",
     "Writes an album: a copy of the player with the photos, songs, lyrics,\n"
     "pictures, fonts and settings inside. From a manifest (TOML), or from a\n"
     "folder: every picture in it, in the order taken (EXIF), then by name; with\n"
     "--music, every song of that folder with its LRC file of the same name.\n"
     "Files the player could not show, photos that do not decode among them,\n"
     "are left out with the reason; HEIC, AVIF and WebP photos are converted to\n"
     "JPEG (by the Linux build). Name the output .scr for a screen saver, .exe\n"
     "for a program.\n\n"
     "  -o ALBUM          the album to write (replaced only when the build succeeds)\n"
     "  --music DIR       with a folder of photos: the folder of songs\n"
     "  --stub PLAYER.exe the player to copy (default: lantern.exe beside albumpack)\n\n"
     "example: albumpack build ~/Pictures/Holiday --music ~/Music/Holiday -o holiday.scr\n",
     {"-o", "--music", "--stub"},
     1},
    {"init",
     "PHOTOS_DIR [--music DIR]",
     "print the manifest build would use for a folder",
     "Prints the manifest of the album `build PHOTOS_DIR` makes, with comments\n"
     "on what can be changed; files left out are named on the error output.\n"
     "Save it in the current folder, edit it and build it: unchanged, it gives\n"
     "the same album byte for byte.\n\n"
     "  --music DIR       the folder of songs\n\n"
     "example: albumpack init photos --music music > album.toml\n"
     "         albumpack build album.toml -o album.scr\n",
     {"--music"},
     1},
    {"list",
     "ALBUM",
     "the items and their sizes",
     "Prints every item of the album: resource name, type word, stored size.\n",
     {},
     1},
    {"settings",
     "ALBUM",
     "every setting: key, type, value",
     "Prints every setting of the album, one a line: key, type and value,\n"
     "separated by tabs, sorted by key.\n",
     {},
     1},
    {"extract",
     "ALBUM DIR",
     "the items, unscrambled, as files",
     "Writes every item of the album into DIR as a file: photo-1.jpg, song-1.mp3,\n"
     "lyrics-1.lrc, font-1.ttf, btn_prev.png ...\n",
     {},
     2},
    {"check",
     "ALBUM",
     "every item against its settings",
     "Checks every item against its _Type and _Size settings and its file type,\n"
     "decodes every picture as the player does, and checks that every photo and\n"
     "song the album counts is there. Names each item that fails, with the\n"
     "reason, and exits with 1 when something is wrong.\n",
     {},
     1},
    {"render",
     "ALBUM N OUT.png [--size WxH]",
     "slide N as the player composes it",
     "Composes slide N (from 1) as the player does (background, photo, mask,\n"
     "caption, headline) and writes it as a PNG, drawing text in the album's\n"
     "packaged fonts.\n\n"
     "  --size WxH        the screen size (default 1920x1080)\n",
     {"--size"},
     3},
    {"video",
     "ALBUM -o VIDEO.mp4|--frames DIR [--size WxH] [--fps N] [--seed N] [--from I] [--to J]",
     "the show as a video, as the screen saver plays it",
     "Plays the show as the screen saver does (opening, every slide with its\n"
     "transition and headline, the lyrics, the ending) on a virtual clock, so\n"
     "faster than real time and always the same way, and writes the screen at\n"
     "every frame time into a video: H.264 in MP4 (.mp4) or Matroska (.mkv),\n"
     "VP9 in WebM (.webm); or as frame-000001.png, frame-000002.png ... into DIR.\n"
     "Random choices (order, transitions, effects) follow from the seed: the\n"
     "same album and seed give the same frames.\n\n"
     "  -o VIDEO          the video to write (replaced only when it is whole)\n"
     "  --frames DIR      or the folder for the frames\n"
     "  --size WxH        the screen size (default 1920x1080)\n"
     "  --fps N           frames a second (default 30)\n"
     "  --seed N          0 to 16777215 (default 43200; printed)\n"
     "  --from I          begin as slide I begins (from 1, in the order shown)\n"
     "  --to J            end as the slide after J (or the ending) begins\n",
     {"-o", "--frames", "--size", "--fps", "--seed", "--from", "--to"},
     1},
    {"lyrics",
     "FILE.lrc",
     "the lyric timeline as the player reads it",
     "Prints every timed line of the LRC file as the player shows it: time in\n"
     "centiseconds, row and text; then its tags.\n",
     {},
     1},
    {"studio",
     "[PHOTOS_DIR|MANIFEST.toml] [--port N] [--no-browser]",
     "edit an album in the browser",
     "Starts the album studio, an editor in the browser, for a manifest or a\n"
     "folder of photos (the current folder when none is named); a folder without\n"
     "album.toml gets the one `init` would print. The studio listens on\n"
     "127.0.0.1 only and prints its address with a secret token; only a browser\n"
     "given that address can use it. Ctrl-C stops it.\n\n"
     "  --port N          the port to listen on (default: a free one)\n"
     "  --no-browser      print the address without opening a browser\n",
     {"--port"},
     1,
     {"--no-browser"},
     1},
};

const Command* Find(const std::string& name) {
  const auto* it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                [&](const Command& c) { return name == c.name; });
  return it == std::end(kCommands) ? nullptr : it;
}

}  // namespace

std::string Usage() {
  std::string text = "usage: albumpack COMMAND ARGUMENTS\n\n";
  for (const Command& c : kCommands) {
    std::string line = std::string("  ") + c.name + " " + c.arguments;
    text += line + "\n      " + c.summary + "\n";
  }
  return text +
         "\n  albumpack COMMAND --help   more about one command\n"
         "  albumpack --version        the builder's version\n";
}

bool IsCommand(const std::string& name) {
  return Find(name) != nullptr;
}

std::string CommandUsage(const std::string& name) {
  const Command& c = *Find(name);
  return std::string("usage: albumpack ") + c.name + " " + c.arguments + "\n";
}

std::string CommandHelp(const std::string& name) {
  return CommandUsage(name) + "\n" + Find(name)->details;
}

bool ParseArguments(const std::string& command, const std::vector<std::string>& args,
                    ParsedArguments& parsed, std::string& error) {
  const Command& c = *Find(command);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takes = std::find_if(c.options.begin(), c.options.end(),
                                    [&](const char* o) { return a == o; }) != c.options.end();
    const bool flag = std::find_if(c.flags.begin(), c.flags.end(),
                                   [&](const char* o) { return a == o; }) != c.flags.end();
    if (flag) {
      parsed.options[a] = "";
    } else if (takes && i + 1 < args.size()) {
      parsed.options[a] = args[++i];
    } else if (takes) {
      error = a + " needs a value";
      return false;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else {
      parsed.words.push_back(a);
    }
  }
  if (parsed.words.size() + c.optional_words < c.words || parsed.words.size() > c.words) {
    error = parsed.words.size() < c.words ? "missing arguments"
                                          : "unexpected argument " + parsed.words[c.words];
    return false;
  }
  return true;
}

}  // namespace lantern::albumpack
