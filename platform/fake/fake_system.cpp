// The fake system: other programs' windows in a list, calls recorded.
#include "platform/fake/fake_system.h"

#include <algorithm>

#include "base/text.h"

namespace lantern::platform::fake {

NonClientMetrics DefaultNonClientMetrics() {
  const LogicalFont tahoma{-11, 400, false, false, false, 0, "Tahoma"};
  LogicalFont caption = tahoma;
  caption.weight = 700;
  return {1, 16, 16, 18, 18, 12, 15, 18, 18, caption, tahoma, tahoma, tahoma, tahoma, tahoma};
}

NativeHandle FakeSystem::AddWindow(FakeForeignWindow window) {
  window.handle = next_handle_;
  next_handle_ += 4;
  windows_.push_back(std::move(window));
  return windows_.back().handle;
}

bool FakeSystem::HasWindow(NativeHandle handle) const {
  return std::any_of(windows_.begin(), windows_.end(),
                     [&](const FakeForeignWindow& w) { return w.handle == handle; });
}

NativeHandle FakeSystem::FindTopLevel(const std::string& class_name, const std::string& title) {
  for (const FakeForeignWindow& w : windows_) {
    if (w.parent == 0 && w.class_name == class_name && w.text == title) return w.handle;
  }
  return 0;
}

std::vector<std::pair<NativeHandle, Rect>> FakeSystem::TopLevelWindows(
    const std::string& class_name) {
  std::vector<std::pair<NativeHandle, Rect>> found;
  for (const FakeForeignWindow& w : windows_) {
    if (w.parent == 0 && w.class_name == class_name) found.emplace_back(w.handle, w.bounds);
  }
  return found;
}

bool FakeSystem::IsDescendant(const FakeForeignWindow& w, NativeHandle ancestor) const {
  for (NativeHandle p = w.parent; p != 0;) {
    if (p == ancestor) return true;
    const auto it = std::find_if(windows_.begin(), windows_.end(),
                                 [&](const FakeForeignWindow& x) { return x.handle == p; });
    if (it == windows_.end()) return false;
    p = it->parent;
  }
  return false;
}

void FakeSystem::EnumChildWindows(NativeHandle parent,
                                  const std::function<bool(const ChildWindow&)>& visit) {
  for (const FakeForeignWindow& w : windows_) {
    if (!IsDescendant(w, parent)) continue;
    if (!visit({w.handle, w.class_name.substr(0, 63), w.text.substr(0, 63)})) return;
  }
}

void FakeSystem::SendClose(NativeHandle window) {
  close_requests.push_back(window);
  const auto it = std::find_if(windows_.begin(), windows_.end(),
                               [&](const FakeForeignWindow& w) { return w.handle == window; });
  if (it == windows_.end()) return;
  const std::function<void()> on_close = it->on_close;
  if (it->closes_on_request) windows_.erase(it);
  if (on_close) on_close();
}

Rect FakeSystem::ClientRect(NativeHandle window) {
  for (const FakeForeignWindow& w : windows_) {
    if (w.handle == window) return {0, 0, w.bounds.width(), w.bounds.height()};
  }
  return {};
}

void FakeSystem::SetClipboardBitmap(const Surface& picture) {
  clipboard_holds_bitmap = true;
  clipboard.clear();
  clipboard_width = picture.width;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.Row(y);
    clipboard.insert(clipboard.end(), row, row + picture.width);
  }
}

std::optional<uint32_t> FakeSystem::ReadRegistryDword(RegistryRoot root, const std::string& key,
                                                      const std::string& value) {
  const auto k = registry.find({root, base::AsciiUpper(key)});
  if (k == registry.end()) return std::nullopt;
  const auto v = k->second.find(base::AsciiUpper(value));
  return v == k->second.end() ? std::nullopt : v->second.dword;
}

bool FakeSystem::WriteRegistryString(RegistryRoot root, const std::string& key,
                                     const std::string& value, const std::string& data) {
  registry[{root, base::AsciiUpper(key)}][base::AsciiUpper(value)] = {std::nullopt, data};
  return true;
}

bool FakeSystem::DeleteRegistryKey(RegistryRoot root, const std::string& key) {
  return registry.erase({root, base::AsciiUpper(key)}) != 0;
}

void FakeSystem::SetRegistryDword(RegistryRoot root, const std::string& key,
                                  const std::string& value, uint32_t data) {
  registry[{root, base::AsciiUpper(key)}][base::AsciiUpper(value)] = {data, ""};
}

std::optional<std::string> FakeSystem::RegistryString(RegistryRoot root, const std::string& key,
                                                      const std::string& value) const {
  const auto k = registry.find({root, base::AsciiUpper(key)});
  if (k == registry.end()) return std::nullopt;
  const auto v = k->second.find(base::AsciiUpper(value));
  if (v == k->second.end() || v->second.dword) return std::nullopt;
  return v->second.text;
}

std::string FakeSystem::Environment(const std::string& name) {
  const auto it = environment.find(base::AsciiUpper(name));
  return it == environment.end() ? "" : it->second;
}

std::string FakeSystem::SpecialFolderPath(SpecialFolder folder) {
  return folder == SpecialFolder::kFonts ? fonts_folder : application_data;
}

namespace {

std::string TakeFirst(std::vector<std::string>& answers) {
  if (answers.empty()) return {};
  std::string answer = std::move(answers.front());
  answers.erase(answers.begin());
  return answer;
}

}  // namespace

std::string FakeSystem::BrowseForFolder(NativeHandle owner, const std::string& start_folder,
                                        const std::string& prompt, bool allow_new_folder) {
  folder_pickers.push_back({owner, start_folder, prompt, allow_new_folder});
  if (on_folder_picker) on_folder_picker();
  return TakeFirst(folder_answers);
}

std::string FakeSystem::AskText(NativeHandle, const std::string& prompt, const std::string& title) {
  text_prompts.emplace_back(prompt, title);
  return TakeFirst(text_answers);
}

std::string FakeSystem::DecodeAnsi(std::string_view bytes) {
  std::u16string wide;
  for (const char c : bytes)
    wide += static_cast<char16_t>(static_cast<uint8_t>(c));
  return base::Utf16ToUtf8(wide);
}

ProcessId FakeSystem::StartHidden(const std::string& line) {
  commands.push_back("hidden||" + line);
  if (!process_starts) return 0;
  const ProcessId id = next_process_++;
  exit_codes_[id] = run_command ? run_command(line) : 0;
  return id;
}

int32_t FakeSystem::ShellRun(const std::string& verb, const std::string& file,
                             const std::string& parameters, bool /*hidden*/) {
  commands.push_back(verb + "|" + file + "|" + parameters);
  if (shell_result > 32 && run_command && verb == "RunAs") run_command(file + " " + parameters);
  return shell_result;
}

std::optional<uint32_t> FakeSystem::ProcessExitCode(ProcessId process) {
  const auto it = exit_codes_.find(process);
  if (it == exit_codes_.end()) return std::nullopt;
  return it->second;
}

bool FakeSystem::FontFaceUsable(const std::string& face) {
  return !face.empty() && faces.count(base::AsciiUpper(face)) != 0;
}

bool FakeSystem::MakeFontResource(const std::string& resource_file, const std::string& font_file,
                                  const std::string& folder) {
  scalable_resources.push_back(resource_file + "|" + folder + font_file);
  fonts_of_resources_[base::AsciiUpper(resource_file)] = base::AsciiUpper(folder + font_file);
  return true;
}

bool FakeSystem::AddFontFile(const std::string& file) {
  font_resources.push_back(file);
  std::string font = base::AsciiUpper(file);
  if (const auto it = fonts_of_resources_.find(font); it != fonts_of_resources_.end()) {
    font = it->second;
  }
  if (const auto it = faces_of_files.find(font); it != faces_of_files.end()) {
    faces.insert(base::AsciiUpper(it->second));
  }
  return true;
}

std::string FakeSystem::WindowText(NativeHandle window) {
  for (const FakeForeignWindow& w : windows_) {
    if (w.handle == window) return w.text.substr(0, 63);
  }
  return {};
}

bool FakeSystem::SelectComboItem(NativeHandle combo, const std::string& item) {
  for (const FakeForeignWindow& w : windows_) {
    if (w.handle != combo) continue;
    for (const std::string& entry : w.items) {
      if (base::AsciiUpper(entry) == base::AsciiUpper(item)) {
        combo_selections.emplace_back(combo, entry);
        return true;
      }
    }
  }
  return false;
}

}  // namespace lantern::platform::fake
