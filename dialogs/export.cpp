// The export of the album's pictures and music.
#include "dialogs/export.h"

#include <cctype>

#include "base/texts.h"

namespace lantern::dialogs {

namespace {

constexpr size_t kMaxTypeLength = 16;
constexpr char kStartFolder[] = "c:\\";
// Left-out files listed by name in the message; the rest are counted.
constexpr size_t kListedFiles = 10;

bool PlainTypeWord(const std::string& type) {
  if (type.empty() || type.size() > kMaxTypeLength) return false;
  for (const char c : type) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Adds item n of `stem` when its type word is plain, else lists it as left out.
void Plan(ExportPlan& plan, const album::PropertyBag& store, const char* stem, int n) {
  const std::string item = album::IndexedKey(stem, n);
  const std::string type = store.ReadText(item + "_Type");
  if (PlainTypeWord(type))
    plan.files.push_back({item, std::to_string(n) + "." + type});
  else
    plan.left_out.push_back({item, LeftOutFile::Why::kOddType});
}

// How the message names an item: "图片 3", "音乐 1", "歌词 1".
std::string ItemLabel(const std::string& item) {
  const std::pair<const char*, const char*> kinds[] = {{"ImgNames(", texts::kExportPhoto},
                                                       {"MusicNames(", texts::kExportSong},
                                                       {"MusicLyricFiles(", texts::kExportLyrics}};
  for (const auto& [stem, label] : kinds) {
    if (const auto n = album::KeyIndex(item, stem)) return label + std::to_string(*n);
  }
  return item;
}

// One line per left-out file, the first kListedFiles of them, then a count.
std::string LeftOutLines(const std::vector<LeftOutFile>& left_out) {
  std::string text;
  for (size_t i = 0; i < left_out.size() && i < kListedFiles; ++i) {
    const LeftOutFile& f = left_out[i];
    text +=
        "\r" + ItemLabel(f.item) +
        (f.why == LeftOutFile::Why::kOddType ? texts::kExportOddType : texts::kExportUnreadable);
  }
  if (left_out.size() > kListedFiles) {
    text += "\r" + std::string(texts::kExportMoreBefore) + std::to_string(left_out.size()) +
            texts::kExportMoreAfter;
  }
  return text;
}

}  // namespace

ExportPlan PlanExport(const album::AlbumSettings& settings, const album::PropertyBag& store) {
  ExportPlan plan;
  for (int n = 1; n <= settings.NowM; ++n) {
    Plan(plan, store, "MusicNames(", n);
    const std::string lyric = album::IndexedKey("MusicLyricFiles(", n);
    if (settings.LyricFilesCount > 0 && !store.ReadText(lyric + "_Type").empty()) {
      Plan(plan, store, "MusicLyricFiles(", n);
    }
  }
  for (int n = 1; n <= settings.NowI; ++n)
    Plan(plan, store, "ImgNames(", n);
  return plan;
}

ExportOutcome ExportAlbum(album::AlbumItems& items, platform::FileSystem& files,
                          const std::string& folder, const std::vector<ExportFile>& plan,
                          const std::function<void()>& between) {
  using platform::FileSystem;
  ExportOutcome outcome;
  for (const ExportFile& file : plan) {
    const std::string path = folder + file.file_name;
    // A file already there is never read or replaced, so an interrupted
    // export can be repeated into the same folder.
    if (files.Exists(path)) {
      ++outcome.skipped;
      continue;
    }
    const std::optional<std::vector<uint8_t>> bytes = items.LoadItemBytes(file.item);
    if (!bytes) {
      outcome.left_out.push_back({file.item, LeftOutFile::Why::kUnreadable});
      continue;
    }
    const FileSystem::NewFileResult result = files.WriteNewFile(path, *bytes);
    if (result.result == FileSystem::NewFile::kFailed) {
      outcome.failed_path = path;
      outcome.reason = result.reason;
      return outcome;
    }
    ++(result.result == FileSystem::NewFile::kWritten ? outcome.written : outcome.skipped);
    if (between) between();
  }
  return outcome;
}

std::string ExportMessage(const std::string& folder, const ExportPlan& plan,
                          const ExportOutcome& outcome) {
  std::vector<LeftOutFile> left_out = plan.left_out;
  left_out.insert(left_out.end(), outcome.left_out.begin(), outcome.left_out.end());
  if (outcome.failed_path.empty() && left_out.empty())
    return std::string(texts::kExportDone) + "\r" + folder;
  std::string text;
  if (outcome.failed_path.empty()) {
    text = std::string(texts::kExportIncomplete) + "\r" + folder + "\r" + texts::kExportLeftOut;
  } else {
    text = std::string(texts::kExportFailed) + "\r" + folder + "\r" + texts::kExportFailedFile +
           outcome.failed_path + "\r" + outcome.reason;
    if (!left_out.empty()) text += "\r" + std::string(texts::kExportLeftOut);
  }
  return text + LeftOutLines(left_out);
}

bool NoExportPassword(const std::string& password) {
  return password.empty() || password == " ";
}

void ExportAction::Run(platform::WindowId owner) {
  const std::string start = platform_.files().IsFolder(kStartFolder) ? kStartFolder : "";
  std::string folder = platform_.common_dialogs().BrowseForFolder(
      platform_.window_states().Native(owner), start, texts::kExportPrompt, false);
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  if (!NoExportPassword(settings_.ExportPassword)) {
    const std::string answer = platform_.common_dialogs().AskText(
        platform_.window_states().Native(owner), texts::kPasswordPrompt, texts::kPasswordTitle);
    if (answer != settings_.ExportPassword) {
      platform_.messages().Message(texts::kWrongPassword);
      return;
    }
  }
  ExportTo(owner, folder);
}

void ExportAction::ExportTo(platform::WindowId owner, const std::string& folder) {
  platform_.desktop().SetBusyCursor(owner, true);
  const ExportPlan plan = PlanExport(settings_, store_);
  const ExportOutcome outcome = ExportAlbum(items_, platform_.files(), folder, plan.files,
                                            [this] { platform_.loop().PumpMessages(); });
  platform_.desktop().SetBusyCursor(owner, false);
  platform_.messages().Message(ExportMessage(folder, plan, outcome));
}

}  // namespace lantern::dialogs
