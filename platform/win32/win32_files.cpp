// The running module's image, and files through the wide-character API.
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "base/text.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/'))
    path.pop_back();
  return path;
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(WithoutTrailingSlash(Wide(path)).c_str());
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

HANDLE OpenForWrite(const std::string& path) {
  return CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A link (junction or symbolic link) is removed itself, never entered: the
// folder it points to belongs to someone else.
bool RemoveLink(const std::wstring& path, DWORD attributes) {
  SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) != 0
                                                 : DeleteFileW(path.c_str()) != 0;
}

bool DeleteFolderTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveLink(child, found.dwFileAttributes);
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteFolderTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryW(folder.c_str()) != 0;
}

class Win32FileHold final : public FileHold {
 public:
  explicit Win32FileHold(HANDLE h) : handle_(h) {}
  ~Win32FileHold() override { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

// Reads `out` from the file at `offset`, in pieces a single call can take.
bool ReadAt(HANDLE file, uint64_t offset, std::span<uint8_t> out) {
  constexpr size_t kPiece = size_t{1} << 24;
  while (!out.empty()) {
    OVERLAPPED at{};  // a synchronous handle reads at the offset given here
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const auto want = static_cast<DWORD>(std::min(out.size(), kPiece));
    DWORD got = 0;
    if (!::ReadFile(file, out.data(), want, &got, &at) || got == 0) return false;
    out = out.subspan(got);
    offset += got;
  }
  return true;
}

// The file the running program was loaded from, open for reading, when its
// headers are the ones mapped (the file at that path might have been
// renamed away and replaced meanwhile); nullptr otherwise.
std::shared_ptr<Handle> OpenRunningImageFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return nullptr;
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  auto file = std::make_shared<Handle>(CreateFileW(path.c_str(), GENERIC_READ,
                                                   FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file->valid()) return nullptr;
  const std::span<const uint8_t> image = RunningImage();
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
  std::vector<uint8_t> headers(std::min<size_t>(nt->OptionalHeader.SizeOfHeaders, image.size()));
  if (!ReadAt(file->get(), 0, headers) ||
      !std::equal(headers.begin(), headers.end(), image.begin())) {
    return nullptr;
  }
  return file;
}

}  // namespace

std::function<bool(uint64_t, std::span<uint8_t>)> RunningImageFileReader() {
  std::shared_ptr<Handle> file = OpenRunningImageFile();
  if (!file) return {};
  return
      [file](uint64_t offset, std::span<uint8_t> out) { return ReadAt(file->get(), offset, out); };
}

// The loader has checked the headers it mapped, so they can be read here;
// what the resource directory says is checked by the portable reader.
std::span<const uint8_t> RunningImage() {
  const auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  return {base, nt->OptionalHeader.SizeOfImage};
}

bool Win32FileSystem::Exists(const std::string& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::IsFolder(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<uint64_t> Win32FileSystem::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<int64_t> Win32FileSystem::ModifiedTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                              data.ftLastWriteTime.dwLowDateTime);
}

bool Win32FileSystem::CopyFileReplacing(const std::string& from, const std::string& to) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != 0;
}

std::optional<std::vector<uint8_t>> Win32FileSystem::ReadFile(const std::string& path) {
  Handle file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
  return CreateDirectoryW(WithoutTrailingSlash(Wide(path)).c_str(), nullptr) != 0;
}

bool Win32FileSystem::DeleteTree(const std::string& path) {
  const std::wstring wide = WithoutTrailingSlash(Wide(path));
  const DWORD a = GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(wide, a);
  if (a & FILE_ATTRIBUTE_DIRECTORY) return DeleteFolderTree(wide);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileW(wide.c_str()) != 0;
}

// Shared for reading only: another process can neither open it for writing
// (so it cannot hold it too) nor delete it or its folder.
std::unique_ptr<FileHold> Win32FileSystem::HoldOpen(const std::string& path) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32FileHold>(h);
}

bool Win32FileSystem::WriteAt(const std::string& path, std::span<const uint8_t> data,
                              uint64_t offset) {
  Handle file(OpenForWrite(path));
  if (!file.valid()) return false;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) return false;
  size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 24));
    DWORD written = 0;
    if (!WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

FileSystem::NewFileResult Win32FileSystem::WriteNewFile(const std::string& path,
                                                        std::span<const uint8_t> data) {
  const std::wstring wide = Wide(path);
  // CREATE_NEW fails on any existing file, so the check and the creation are one step.
  HANDLE created = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return {NewFile::kExists, {}};
    return {NewFile::kFailed, ErrorText(error)};
  }
  DWORD error = ERROR_SUCCESS;
  {
    Handle file(created);
    size_t done = 0;
    while (done < data.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 24));
      DWORD written = 0;
      if (!::WriteFile(file.get(), data.data() + done, chunk, &written, nullptr) || written == 0) {
        error = GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_DISK_FULL;  // a write that took nothing
        break;
      }
      done += written;
    }
  }
  if (error == ERROR_SUCCESS) return {NewFile::kWritten, {}};
  DeleteFileW(wide.c_str());  // a part of the file would pass for the whole one next time
  return {NewFile::kFailed, ErrorText(error)};
}

// Maps the file so that the written range is in view, starting at a multiple
// of the allocation granularity, and copies the data in one move.
bool Win32FileSystem::WriteMapped(const std::string& path, std::span<const uint8_t> data,
                                  uint64_t offset) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const uint64_t delta = offset % info.dwAllocationGranularity;
  Handle file(OpenForWrite(path));
  LARGE_INTEGER current;
  if (!file.valid() || !GetFileSizeEx(file.get(), &current)) return false;
  if (data.empty()) return true;
  const uint64_t size =
      std::max<uint64_t>(static_cast<uint64_t>(current.QuadPart), offset + data.size());
  Handle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READWRITE,
                                    static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                    nullptr));
  if (!mapping.valid()) return false;
  const uint64_t view_start = offset - delta;
  void* view =
      MapViewOfFile(mapping.get(), FILE_MAP_WRITE, static_cast<DWORD>(view_start >> 32),
                    static_cast<DWORD>(view_start), static_cast<SIZE_T>(data.size() + delta));
  if (view == nullptr) return false;
  std::memcpy(static_cast<uint8_t*>(view) + delta, data.data(), data.size());
  UnmapViewOfFile(view);
  return true;
}

}  // namespace lantern::platform::win32
