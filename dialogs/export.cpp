// The export of the album's pictures and music.
#include "dialogs/export.h"

#include <cctype>

#include "base/texts.h"

namespace lantern::dialogs {

namespace {

constexpr size_t kMaxTypeLength = 16;
constexpr char kStartFolder[] = "c:\\";

bool PlainTypeWord(const std::string& type) {
  if (type.empty() || type.size() > kMaxTypeLength) return false;
  for (const char c : type) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

// Adds item n of `stem` when its type word is plain.
void Plan(std::vector<ExportFile>& plan, const album::PropertyBag& store, const char* stem, int n) {
  const std::string item = album::IndexedKey(stem, n);
  const std::string type = store.ReadText(item + "_Type");
  if (PlainTypeWord(type)) plan.push_back({item, std::to_string(n) + "." + type});
}

}  // namespace

std::vector<ExportFile> PlanExport(const album::AlbumSettings& settings,
                                   const album::PropertyBag& store) {
  std::vector<ExportFile> plan;
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
      ++outcome.skipped;
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

bool NoExportPassword(const std::string& password) {
  return password.empty() || password == " ";
}

void ExportAction::Run(platform::WindowId owner) {
  const std::string start = platform_.files().IsFolder(kStartFolder) ? kStartFolder : "";
  std::string folder = platform_.common_dialogs().BrowseForFolder(
      platform_.windows().Native(owner), start, texts::kExportPrompt, false);
  if (folder.empty()) return;
  if (folder.back() != '\\') folder += '\\';
  if (!NoExportPassword(settings_.ExportPassword)) {
    const std::string answer = platform_.common_dialogs().AskText(
        platform_.windows().Native(owner), texts::kPasswordPrompt, texts::kPasswordTitle);
    if (answer != settings_.ExportPassword) {
      platform_.messages().Message(texts::kWrongPassword);
      return;
    }
  }
  ExportTo(owner, folder);
}

void ExportAction::ExportTo(platform::WindowId owner, const std::string& folder) {
  platform::WindowSystem& windows = platform_.windows();
  windows.SetBusyCursor(owner, true);
  const ExportOutcome outcome =
      ExportAlbum(items_, platform_.files(), folder, PlanExport(settings_, store_),
                  [this] { platform_.loop().PumpMessages(); });
  windows.SetBusyCursor(owner, false);
  if (outcome.ok()) {
    platform_.messages().Message(std::string(texts::kExportDone) + "\r" + folder);
  } else {
    platform_.messages().Message(std::string(texts::kExportFailed) + "\r" + outcome.failed_path +
                                 "\r" + outcome.reason);
  }
}

}  // namespace lantern::dialogs
