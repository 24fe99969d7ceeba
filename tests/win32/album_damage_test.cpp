// Albums with damaged resource entries, run for real: the stand-in player
// reads its own image as the loader mapped it, finds every intact item and
// reports a damaged one as missing, instead of reading outside its image.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "album/items.h"
#include "album/pe_image.h"
#include "tests/unit/damaged_album.h"

namespace lantern {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

void WriteAll(const std::wstring& path, const Bytes& bytes) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i)
    data[i] = static_cast<uint8_t>(seed + i * 13 + (i >> 8));
  return data;
}

album::ResourceEntry Data(const char16_t* name, Bytes data) {
  return {album::DataType(), album::ResourceKey::Name(name), 0, std::move(data)};
}

// Runs the album with its arguments and gives its exit code.
DWORD RunProgram(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring line = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 0xFFFFFFFF;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0xFFFFFFFE;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

class AlbumDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"lantern-damage-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    std::string error;
    const std::vector<album::ResourceEntry> entries{Data(u"ALLDATASETTINGS", settings_),
                                                    Data(u"IMGNAMES(1)", photo1_),
                                                    Data(u"IMGNAMES(2)", photo2_)};
    const auto album = album::WriteResources(ReadAll(LANTERN_ALBUM_PROBE), entries, &error);
    ASSERT_TRUE(album) << error;
    album_ = *album;
  }
  void TearDown() override {
    for (const wchar_t* name : {L"\\album.exe", L"\\ImgNames(1)", L"\\ImgNames(2)"})
      DeleteFileW((folder_ + name).c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  // Writes the album with `value` at `at` and runs it on one item.
  DWORD RunDamaged(size_t at, uint32_t value, const std::wstring& item) {
    Bytes damaged = album_;
    testing::Write32(damaged, at, value);
    WriteAll(folder_ + L"\\album.exe", damaged);
    return RunProgram(folder_ + L"\\album.exe", L"\"" + folder_ + L"\" " + item);
  }

  std::wstring folder_;
  const Bytes settings_ = Pattern(400, 3), photo1_ = Pattern(3000, 1), photo2_ = Pattern(2000, 2);
  Bytes album_;
};

TEST_F(AlbumDamage, ADamagedEntryIsAMissingItem) {
  const auto photo = testing::FindItemEntries(album_, photo1_);
  ASSERT_TRUE(photo);
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"data beyond the image", photo->data_entry, 0x7FFFF000},
      {"size past the end of the image", photo->data_entry + 4, 0x7FFFFFF0},
      {"language entry's offset outside the section", photo->language_entry + 4, 0x00FFFFF0},
  };
  Bytes expected = photo2_;
  album::ApplyItemKeyStream(expected);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RunDamaged(c.at, c.value, L"ImgNames(1)"), 3u);  // missing, not a crash
    EXPECT_EQ(RunDamaged(c.at, c.value, L"ImgNames(2)"), 0u);
    EXPECT_EQ(ReadAll(folder_ + L"\\ImgNames(2)"), expected);
  }
}

TEST_F(AlbumDamage, DamagedSettingsAreMissingSettings) {
  const auto settings = testing::FindItemEntries(album_, settings_);
  ASSERT_TRUE(settings);
  EXPECT_EQ(RunDamaged(settings->data_entry, 0x7FFFF000, L"ImgNames(2)"), 3u);
  EXPECT_EQ(RunDamaged(settings->language_entry + 4, 0x00FFFFF0, L"ImgNames(2)"), 3u);
}

}  // namespace
}  // namespace lantern
