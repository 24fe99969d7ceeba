// The Windows backend where a mistake would cost the user data or the
// program: a held file keeps its folder from being deleted, deleting a tree
// removes links without entering them, and a handler's exception ends at the
// window procedure instead of unwinding through the system.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/win32/win32_platform.h"

namespace lantern {
namespace {

std::string Utf8(const std::wstring& w) {
  return base::Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
}

// A directory junction at `link` to `target`, the way the system's own tools
// make one; false where the file system has none.
bool MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
  HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::wstring substitute = L"\\??\\" + target;
  const auto name_bytes = static_cast<uint16_t>(substitute.size() * 2);
  const uint16_t data_length = static_cast<uint16_t>(8 + name_bytes + 2 + 2);
  std::vector<uint8_t> buffer(8 + data_length, 0);
  const uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
  const uint16_t fields[] = {
      data_length, 0, 0, name_bytes, static_cast<uint16_t>(name_bytes + 2), 0};
  memcpy(buffer.data(), &tag, 4);
  memcpy(buffer.data() + 4, fields, sizeof fields);
  memcpy(buffer.data() + 16, substitute.data(), name_bytes);
  DWORD returned = 0;
  const BOOL made =
      DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                      nullptr, 0, &returned, nullptr);
  CloseHandle(h);
  return made && (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

class Win32Safety : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"lantern-safety-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root_.c_str(), nullptr);
  }
  void TearDown() override { platform_->files().DeleteTree(Utf8(root_)); }

  std::unique_ptr<platform::Platform> platform_ = platform::win32::CreateWin32Platform();
  std::wstring root_;
};

TEST_F(Win32Safety, AHeldFileKeepsItsFolderUntilReleased) {
  platform::FileSystem& files = platform_->files();
  const std::wstring folder = root_ + L"\\~Pemo1";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  Touch(folder + L"\\1.MP3");
  auto hold = files.HoldOpen(Utf8(folder + L"\\~Pemo.lck"));
  ASSERT_TRUE(hold);
  EXPECT_FALSE(files.HoldOpen(Utf8(folder + L"\\~Pemo.lck")));  // held already
  EXPECT_FALSE(DeleteFileW((folder + L"\\~Pemo.lck").c_str()));
  EXPECT_FALSE(files.DeleteTree(Utf8(folder) + "\\"));
  EXPECT_TRUE(Exists(folder + L"\\~Pemo.lck"));
  hold.reset();
  EXPECT_TRUE(files.HoldOpen(Utf8(folder + L"\\~Pemo.lck")));
  EXPECT_TRUE(files.DeleteTree(Utf8(folder) + "\\"));
  EXPECT_FALSE(Exists(folder));
}

TEST_F(Win32Safety, DeletingATreeRemovesALinkButNotWhatItPointsTo) {
  const std::wstring target = root_ + L"\\precious";
  const std::wstring folder = root_ + L"\\~Pemo1";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  Touch(target + L"\\keep.txt");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  if (!MakeJunction(folder + L"\\link", target)) GTEST_SKIP() << "no junctions here";
  EXPECT_TRUE(platform_->files().DeleteTree(Utf8(folder) + "\\"));
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(Exists(target + L"\\keep.txt"));
  // A link given itself is removed alone too.
  ASSERT_TRUE(MakeJunction(root_ + L"\\alone", target));
  EXPECT_TRUE(platform_->files().DeleteTree(Utf8(root_ + L"\\alone")));
  EXPECT_FALSE(Exists(root_ + L"\\alone"));
  EXPECT_TRUE(Exists(target + L"\\keep.txt"));
}

// A key handler that cannot get memory, as a song extraction on ↓ may not.
class ThrowingHandler final : public platform::WindowHandler {
 public:
  void OnKeyDown(int, int) override {
    ++keys;
    throw std::bad_alloc();
  }
  void OnCloseRequest() override {
    ++closes;
    throw std::bad_alloc();
  }
  int keys = 0;
  int closes = 0;
};

TEST_F(Win32Safety, AHandlersExceptionEndsAtTheWindowProcedure) {
  ThrowingHandler handler;
  auto& windows = platform_->windows();
  const platform::WindowId w =
      windows.Create({platform::WindowKind::kBorderless, "throws", {10, 10, 60, 60}}, handler);
  ASSERT_NE(w, 0u);
  const HWND hwnd = reinterpret_cast<HWND>(platform_->window_states().Native(w));
  PostMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  platform_->loop().PumpMessages();
  EXPECT_EQ(handler.keys, 2);  // the program goes on and the next message arrives
  EXPECT_EQ(handler.closes, 1);
  windows.Destroy(w);
}

}  // namespace
}  // namespace lantern
