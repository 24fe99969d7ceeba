// `albumpack studio` (studio_command.h).
#include "tools/albumpack/studio_command.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <span>
#include <thread>

#include "tools/albumpack/file_io.h"
#include "tools/albumpack/folder_album.h"
#include "tools/albumpack/paths.h"
#include "tools/albumpack/studio_safety.h"
#include "tools/albumpack/studio_server.h"

extern char** environ;

namespace lantern::albumpack {

namespace {

constexpr const char* kManifestName = "album.toml";

// Paths in the manifest are written relative to the folder it is saved in.
void MakeRelative(std::string& path, const std::string& folder) {
  const std::string prefix = folder + "/";
  if (path.compare(0, prefix.size(), prefix) == 0) path.erase(0, prefix.size());
}

bool WriteFolderManifest(const std::filesystem::path& folder, const std::filesystem::path& manifest,
                         std::ostream& err) {
  std::string error;
  const std::string name = Utf8FromPath(folder);
  auto album = ScanFolders(name, "", error);
  if (!album) {
    err << error << "\n";
    return false;
  }
  for (FolderPhoto& photo : album->photos)
    MakeRelative(photo.path, name);
  album->photo_folder = ".";
  const std::string text = ManifestText(*album);
  return WriteOutputFile(Utf8FromPath(manifest),
                         std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                         err) == 0;
}

// Opens the address in the desktop's browser; where there is none, the
// printed address is all there is.
void OpenBrowser(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int failed =
      posix_spawnp(&child, "xdg-open", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return;
  std::thread([child] { waitpid(child, nullptr, 0); }).detach();
}

}  // namespace

std::optional<studio::Album> OpenStudioAlbum(const std::string& folder_or_manifest,
                                             std::ostream& err) {
  std::error_code error;
  const auto given = PathFromUtf8(folder_or_manifest.empty() ? "." : folder_or_manifest);
  const bool is_folder = std::filesystem::is_directory(given, error);
  const auto folder =
      std::filesystem::canonical(is_folder ? given : given.parent_path() / ".", error);
  if (error) {
    err << folder_or_manifest << ": " << error.message() << "\n";
    return std::nullopt;
  }
  const auto manifest = is_folder ? folder / kManifestName : folder / given.filename();
  if (is_folder && !std::filesystem::exists(manifest) &&
      !WriteFolderManifest(folder, manifest, err)) {
    return std::nullopt;
  }
  if (!std::filesystem::is_regular_file(manifest, error)) {
    err << Utf8FromPath(manifest) << ": not a manifest file\n";
    return std::nullopt;
  }
  return studio::Album{folder, manifest};
}

int Studio(const StudioOptions& options, std::ostream& out, std::ostream& err) {
  auto album = OpenStudioAlbum(options.album, err);
  if (!album) return 1;
  const std::string token = studio::NewToken();
  if (token.empty()) {
    err << "albumpack studio: the system's random generator cannot be read\n";
    return 1;
  }
  studio::ServerOptions server_options;
  server_options.port = options.port;
  std::string why;
  const auto server = studio::Server::Listen(server_options, why);
  if (!server) {
    err << "albumpack studio: " << why << "\n";
    return 1;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(server->port()) + "/?token=" + token;
  out << "albumpack studio: editing " << Utf8FromPath(album->manifest) << "\n"
      << "open " << url << "\n(Ctrl-C stops the studio)" << std::endl;
  if (options.open_browser) OpenBrowser(url);
  studio::App app(std::move(*album), token, server->port());
  server->Run([&](const studio::Request& request) { return app.Handle(request); });
  return 0;
}

}  // namespace lantern::albumpack
