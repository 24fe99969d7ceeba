// The lyrics command.
#include "tools/albumpack/lyrics_command.h"

#include <cerrno>
#include <vector>

#include "tools/albumpack/file_io.h"
#include "tools/albumpack/paths.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace lantern::albumpack {

int Lyrics(const std::string& path, const media::CodePageDecoder& decode, std::ostream& out,
           std::ostream& err) {
  std::string why;
  // One byte past the player's limit tells a file it will not read.
  const std::optional<std::vector<uint8_t>> bytes =
      ReadFileStart(PathFromUtf8(path), media::kMaxLyricFileBytes + 1, why);
  if (!bytes) {
    err << "albumpack: cannot read " << path << ": " << why << "\n";
    return 1;
  }
  if (bytes->size() > media::kMaxLyricFileBytes) {
    err << "albumpack: " << path << ": larger than the player's limit for lyric files (1 MiB); "
        << "the player will not read it and plays its song without lyrics\n";
    return 1;
  }
  media::LyricTimeline lyrics;
  media::ParseLyrics(*bytes, decode, lyrics);
  for (int32_t i = 1; i <= lyrics.LyricCount; ++i)
    out << lyrics.LyricTime[i] << '\t' << lyrics.LyricRow[i] << '\t' << lyrics.LyricText[i] << '\n';
  out << "ti\t" << lyrics.LyricTitle << "\nar\t" << lyrics.LyricArtist << "\nal\t"
      << lyrics.LyricAlbum << "\nby\t" << lyrics.LyricBy << "\noffset\t" << lyrics.LyricOffset
      << "\nlines\t" << lyrics.LyricCount << '\n';
  return 0;
}

#ifndef _WIN32
std::string DecodeCodePage936(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  std::string in(bytes);
  std::string out;
  char* src = in.data();
  size_t left = in.size();
  std::vector<char> buffer(4096);
  while (left > 0) {
    char* dst = buffer.data();
    size_t room = buffer.size();
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer.data(), buffer.size() - room);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";  // a byte the code page cannot read
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}
#endif

}  // namespace lantern::albumpack
