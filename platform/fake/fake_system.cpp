// The fake system: other programs' windows in a list, calls recorded.
#include "platform/fake/fake_system.h"

#include <algorithm>

namespace lantern::platform::fake {

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
  clipboard.clear();
  clipboard_width = picture.width;
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.Row(y);
    clipboard.insert(clipboard.end(), row, row + picture.width);
  }
}

}  // namespace lantern::platform::fake
