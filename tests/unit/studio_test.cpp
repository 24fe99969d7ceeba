// The studio server: its HTTP parser's bounds, and its safety rules checked
// by connecting to a running server in the same process.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/albumpack/studio_app.h"
#include "tools/albumpack/studio_http.h"
#include "tools/albumpack/studio_manifest.h"
#include "tools/albumpack/studio_safety.h"
#include "tools/albumpack/studio_server.h"

namespace lantern::albumpack::studio {
namespace {

namespace fs = std::filesystem;

ParseResult Parse(const std::string& bytes, Request& request, const Limits& limits = {}) {
  return ParseRequest(bytes, limits, request);
}

TEST(StudioHttpTest, ParsesARequestOnceItIsWhole) {
  const std::string bytes =
      "POST /api/x%20y?path=a+b%2Fc.jpg&n=1 HTTP/1.1\r\nHost: 127.0.0.1:80\r\n"
      "X-Studio-Token:  abc \r\nContent-Length: 5\r\n\r\nhello";
  Request request;
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    ASSERT_EQ(Parse(bytes.substr(0, cut), request).state, ParseState::kNeedMore) << cut;
  }
  const ParseResult whole = Parse(bytes + "extra", request);
  ASSERT_EQ(whole.state, ParseState::kDone);
  EXPECT_EQ(whole.consumed, bytes.size());
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.path, "/api/x y");
  EXPECT_EQ(request.query.at("path"), "a b/c.jpg");
  EXPECT_EQ(request.Header("x-studio-token"), "abc");
  EXPECT_EQ(request.body, "hello");
}

TEST(StudioHttpTest, RefusesWhatIsTooLargeOrMalformed) {
  Limits limits;
  limits.request_line = 64;
  limits.head = 256;
  limits.header_count = 4;
  limits.body = 10;
  const std::string host = "Host: h\r\n";
  const struct {
    std::string bytes;
    int status;
  } cases[] = {
      // Too large: refused before the request ends.
      {"GET /" + std::string(100, 'a'), 414},
      {"GET / HTTP/1.1\r\nX: " + std::string(300, 'a'), 431},
      {"GET / HTTP/1.1\r\nA: 1\r\nB: 1\r\nC: 1\r\nD: 1\r\nE: 1\r\n\r\n", 431},
      {"POST / HTTP/1.1\r\n" + host + "Content-Length: 11\r\n\r\n", 413},
      {"POST / HTTP/1.1\r\n" + host + "Content-Length: 99999999999999999999\r\n\r\n", 400},
      // Malformed.
      {"GET / HTTP/1.1\r\n\r\n", 400},  // no Host
      {"GET  / HTTP/1.1\r\n" + host + "\r\n", 400},
      {"GET http://evil/ HTTP/1.1\r\n" + host + "\r\n", 400},
      {"GET /%2 HTTP/1.1\r\n" + host + "\r\n", 400},
      {"GET /a%00b HTTP/1.1\r\n" + host + "\r\n", 400},
      {"GET / HTTP/2.0\r\n" + host + "\r\n", 505},
      {"GET / HTTP/1.1\r\n" + host + " folded\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\n" + host + host + "\r\n", 400},
      {"GET / HTTP/1.1\r\n" + host + "Bad Name: 1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\n" + host + "X: a\x01\r\n\r\n", 400},
      {"POST / HTTP/1.1\r\n" + host + "Content-Length: -1\r\n\r\n", 400},
      {"POST / HTTP/1.1\r\n" + host + "Transfer-Encoding: chunked\r\n\r\n", 501},
  };
  for (const auto& c : cases) {
    Request request;
    const ParseResult result = Parse(c.bytes, request, limits);
    EXPECT_EQ(result.state, ParseState::kRefused) << c.bytes;
    EXPECT_EQ(result.status, c.status) << c.bytes;
  }
}

class StudioFolderTest : public ::testing::Test {
 protected:
  StudioFolderTest()
      : root_(fs::temp_directory_path() / ("studio-test-" + std::to_string(::getpid()))) {
    fs::create_directories(root_ / "album" / "sub");
    fs::create_directories(root_ / "outside");
    Write(root_ / "outside" / "secret.txt", "secret");
    Write(Folder() / "album.toml", "# kept\ntitle = \"Trip\"\n");
    Write(Folder() / "photo.jpg", "photo bytes");
    Write(Folder() / "sub" / "a.jpg", "sub photo");
    fs::create_symlink(root_ / "outside" / "secret.txt", Folder() / "link.txt");
    fs::create_directory_symlink(root_ / "outside", Folder() / "linked");
  }
  ~StudioFolderTest() override { fs::remove_all(root_); }

  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  fs::path Folder() const { return root_ / "album"; }

  fs::path root_;
};

TEST_F(StudioFolderTest, AlbumPathsStayInsideTheFolderAndFollowNoLink) {
  std::string why;
  EXPECT_EQ(AlbumPath(Folder(), "photo.jpg", why), Folder() / "photo.jpg");
  EXPECT_EQ(AlbumPath(Folder(), "sub/a.jpg", why), Folder() / "sub" / "a.jpg");
  EXPECT_EQ(AlbumPath(Folder(), "new.jpg", why), Folder() / "new.jpg");  // to be written
  for (const char* refused :
       {"", "../outside/secret.txt", "sub/../../outside/secret.txt", "/etc/passwd", "./photo.jpg",
        "sub//a.jpg", "sub/", "C:photo.jpg", "sub\\a.jpg", "photo.jpg.", "link.txt",
        "linked/secret.txt", "missing/new.jpg", "photo.jpg/x"}) {
    EXPECT_FALSE(AlbumPath(Folder(), refused, why)) << refused;
  }
}

// A manifest with keys the studio's page does not edit.
class StudioManifestTest : public StudioFolderTest {
 protected:
  StudioManifestTest() {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      Write(Folder() / name, "jpeg");
    Write(Manifest(),
          "title = \"Trip\"\nfonts = []\n[[styles]]\nsize = 30\n"
          "[[photos]]\nfile = \"a.jpg\"\nposition = [1, 2]\n"
          "[[photos]]\nfile = \"b.jpg\"\n[[photos]]\nfile = \"c.jpg\"\n"
          "[settings]\nEnableSync = true\n");
  }
  fs::path Manifest() const { return Folder() / "album.toml"; }
  std::string Text() const {
    std::ifstream in(Manifest(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(StudioManifestTest, EditsKeepWhatThePageDoesNotKnow) {
  EXPECT_EQ(MovePhoto(Manifest(), 0, 2).status, 200);
  EXPECT_EQ(SetPhotoFields(Manifest(), 1, {{"caption", "第一张"}, {"duration", "2.5"}}).status,
            200);
  EXPECT_EQ(
      SetAlbumFields(Manifest(), {{"title", "Holiday"}, {"interval", "6.5"}, {"draw", "2"}}).status,
      200);
  const std::string text = Text();
  const auto at = [&](const std::string& s) { return text.find(s); };
  EXPECT_LT(at("b.jpg"), at("c.jpg"));
  EXPECT_LT(at("c.jpg"), at("a.jpg"));
  EXPECT_NE(at("position = [ 1, 2 ]"), std::string::npos) << text;
  EXPECT_NE(at("size = 30"), std::string::npos) << text;
  EXPECT_NE(at("EnableSync = true"), std::string::npos) << text;
  EXPECT_NE(at("ImgDrawScale = 2"), std::string::npos) << text;
  EXPECT_NE(at("TimeInterval = 6.5"), std::string::npos) << text;
  EXPECT_NE(at("title = \"Holiday\""), std::string::npos) << text;
  EXPECT_NE(at("caption = \"\\u7B2C\\u4E00\\u5F20\""), std::string::npos) << text;
  std::string why;
  const auto json = ManifestJson(Manifest(), why);
  ASSERT_TRUE(json) << why;
  EXPECT_NE(json->find("\"caption\" : \"第一张\""), std::string::npos) << *json;
  EXPECT_NE(json->find("\"duration\" : 2.5"), std::string::npos) << *json;
}

TEST_F(StudioManifestTest, RefusedEditsLeaveTheManifestAsItWas) {
  const std::string before = Text();
  EXPECT_EQ(SetPhotoFields(Manifest(), 0, {{"duration", "0"}}).status, 400);  // out of range
  EXPECT_EQ(SetPhotoFields(Manifest(), 0, {{"duration", "soon"}}).status, 400);
  EXPECT_EQ(SetPhotoFields(Manifest(), 0, {{"file", "/etc/passwd"}}).status, 400);
  EXPECT_EQ(SetPhotoFields(Manifest(), 3, {{"caption", "x"}}).status, 404);
  EXPECT_EQ(SetAlbumFields(Manifest(), {{"draw", "1.5"}}).status, 400);
  EXPECT_EQ(MovePhoto(Manifest(), 0, 3).status, 404);
  EXPECT_EQ(AddPhoto(Manifest(), "missing.jpg").status, 400);  // the builder cannot read it
  EXPECT_EQ(Text(), before);
}

// A running studio on a free port, answered on its own thread.
class StudioServerTest : public StudioFolderTest {
 protected:
  StudioServerTest() {
    std::string why;
    ServerOptions options;
    options.limits.body = 1024;
    server_ = Server::Listen(options, why);
    EXPECT_NE(server_, nullptr) << why;
    port_ = server_->port();
    app_ = std::make_unique<App>(
        Album{fs::canonical(Folder()), fs::canonical(Folder()) / "album.toml"}, token_, port_);
    thread_ =
        std::thread([this] { server_->Run([this](const Request& r) { return app_->Handle(r); }); });
  }
  ~StudioServerTest() override {
    server_->Stop();
    thread_.join();
  }

  // The whole answer to `bytes` sent to `address` (empty when nothing listens there).
  std::string Exchange(const std::string& bytes, const char* address = "127.0.0.1") const {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    ::inet_pton(AF_INET, address, &to.sin_addr);
    std::string answer;
    if (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
      ::send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      char buffer[4096];
      for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, n);
    }
    ::close(s);
    return answer;
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::string Get(const std::string& target, const std::string& headers) const {
    return Exchange("GET " + target + " HTTP/1.1\r\n" + headers + "\r\n");
  }
  std::string ApiGet(const std::string& target) const {
    return Get(target, "Host: " + Host() + "\r\nX-Studio-Token: " + token_ + "\r\n");
  }
  static int Status(const std::string& answer) {
    return answer.size() > 12 ? std::stoi(answer.substr(9, 3)) : 0;
  }
  static std::string Body(const std::string& answer) {
    return answer.substr(answer.find("\r\n\r\n") + 4);
  }

  const std::string token_ = NewToken();
  std::unique_ptr<Server> server_;
  uint16_t port_ = 0;
  std::unique_ptr<App> app_;
  std::thread thread_;
};

TEST_F(StudioServerTest, ListensOnTheLoopbackAddressOnly) {
  EXPECT_EQ(Status(ApiGet("/api/manifest")), 200);
  // 127.0.0.2 is this machine too; a server listening on every address
  // would answer there.
  EXPECT_EQ(Exchange("GET / HTTP/1.1\r\nHost: x\r\n\r\n", "127.0.0.2"), "");
}

TEST_F(StudioServerTest, EveryRequestNeedsTheToken) {
  const std::string host = "Host: " + Host() + "\r\n";
  EXPECT_EQ(token_.size(), 64u);
  EXPECT_EQ(Status(Get("/api/manifest", host)), 403);
  EXPECT_EQ(Status(Get("/api/manifest", host + "X-Studio-Token: " + token_ + "0\r\n")), 403);
  EXPECT_EQ(Status(Get("/api/manifest?token=" + token_, host)), 403);
  // The API does not take the cookie alone: a form on another site's page
  // could send that.
  EXPECT_EQ(Status(Get("/api/manifest", host + "Cookie: studio_token=" + token_ + "\r\n")), 403);
  EXPECT_EQ(Status(Get("/", host)), 403);
  EXPECT_EQ(Status(Get("/?token=wrong", host)), 403);
  EXPECT_EQ(Status(Get("/page/studio.js", host)), 403);

  const std::string first = Get("/?token=" + token_, host);
  EXPECT_EQ(Status(first), 303);
  EXPECT_NE(
      first.find("Set-Cookie: studio_token=" + token_ + "; Path=/; HttpOnly; SameSite=Strict"),
      std::string::npos);
  const std::string cookie = host + "Cookie: other=1; studio_token=" + token_ + "\r\n";
  const std::string page = Get("/", cookie);
  EXPECT_EQ(Status(page), 200);
  EXPECT_NE(page.find("content=\"" + token_ + "\""), std::string::npos);
  EXPECT_EQ(Status(Get("/page/studio.js", cookie)), 200);
  EXPECT_EQ(Body(ApiGet("/api/manifest")), "# kept\ntitle = \"Trip\"\n");
}

TEST_F(StudioServerTest, TheHostAndOriginMustBeTheStudio) {
  const std::string token = "X-Studio-Token: " + token_ + "\r\n";
  const std::string port = std::to_string(port_);
  EXPECT_EQ(Status(Get("/api/manifest", "Host: localhost:" + port + "\r\n" + token)), 200);
  for (const std::string& host :
       std::vector<std::string>{"evil.example:" + port, "127.0.0.1", "127.0.0.1:1",
                                "localhost.evil.example:" + port, "127.0.0.2:" + port}) {
    EXPECT_EQ(Status(Get("/api/manifest", "Host: " + host + "\r\n" + token)), 403) << host;
  }
  EXPECT_EQ(Status(Get("/api/manifest",
                       "Host: " + Host() + "\r\nOrigin: http://evil.example\r\n" + token)),
            403);
}

TEST_F(StudioServerTest, ServesOnlyFilesInsideTheAlbumFolder) {
  const std::string cookie = "Host: " + Host() + "\r\nCookie: studio_token=" + token_ + "\r\n";
  EXPECT_EQ(Body(Get("/album/photo.jpg", cookie)), "photo bytes");
  EXPECT_EQ(Body(Get("/album/sub%2Fa.jpg", cookie)), "sub photo");
  for (const std::string path :
       {"../outside/secret.txt", "..%2Foutside%2Fsecret.txt", "sub/../../outside/secret.txt",
        "%2Fetc%2Fpasswd", "/etc/passwd", "link.txt", "linked/secret.txt"}) {
    const std::string answer = Get("/album/" + path, cookie);
    EXPECT_EQ(Status(answer), 403) << path;
    EXPECT_EQ(answer.find("secret\n"), std::string::npos);
  }
  EXPECT_EQ(Status(Get("/album/missing.jpg", cookie)), 404);
  EXPECT_EQ(Status(Get("/album/photo.jpg", "Host: " + Host() + "\r\n")), 403);
}

TEST_F(StudioServerTest, EditsAndUploadsStayInsideTheAlbum) {
  const auto post = [&](const std::string& target, const std::string& body, bool token = true) {
    return Exchange("POST " + target + " HTTP/1.1\r\nHost: " + Host() + "\r\n" +
                    (token ? "X-Studio-Token: " + token_ + "\r\n" : "") +
                    "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  };
  EXPECT_EQ(Status(post("/api/photo/add?name=new.jpg", "new photo", false)), 403);
  EXPECT_FALSE(fs::exists(Folder() / "new.jpg"));
  const std::string added = post("/api/photo/add?name=new.jpg", "new photo");
  EXPECT_EQ(Status(added), 200) << added;
  EXPECT_NE(Body(added).find("\"file\" : \"new.jpg\""), std::string::npos) << added;
  EXPECT_EQ(Body(Get("/album/new.jpg",
                     "Host: " + Host() + "\r\nCookie: studio_token=" + token_ + "\r\n")),
            "new photo");
  EXPECT_EQ(Status(post("/api/photo/add?name=new.jpg", "again")), 409);  // never overwritten
  EXPECT_EQ(Status(post("/api/photo/add?name=..%2Fescaped.jpg", "x")), 400);
  EXPECT_EQ(Status(post("/api/photo/add?name=..", "x")), 400);
  EXPECT_EQ(Status(post("/api/photo/add?name=notes.txt", "x")), 400);
  EXPECT_FALSE(fs::exists(root_ / "escaped.jpg"));
  const std::string captioned = post("/api/photo", "index=0&caption=Hi+there");
  EXPECT_EQ(Status(captioned), 200) << captioned;
  EXPECT_NE(Body(captioned).find("\"caption\" : \"Hi there\""), std::string::npos);
  EXPECT_EQ(Status(post("/api/photo", "caption=no+index")), 400);
  EXPECT_EQ(Status(Get("/api/photo", "Host: " + Host() + "\r\nX-Studio-Token: " + token_ + "\r\n")),
            405);
}

TEST_F(StudioServerTest, OversizedAndMalformedRequestsGetAClearStatus) {
  const std::string host = "Host: " + Host() + "\r\n";
  EXPECT_EQ(Status(Exchange("GET /" + std::string(10000, 'a') + " HTTP/1.1\r\n")), 414);
  EXPECT_EQ(Status(Exchange("GET / HTTP/1.1\r\n" + host + "X: " + std::string(40000, 'a'))), 431);
  EXPECT_EQ(Status(Exchange("POST /api/manifest HTTP/1.1\r\n" + host +
                            "Content-Length: 2000\r\n\r\n" + std::string(2000, 'a'))),
            413);
  EXPECT_EQ(Status(Exchange("hello\r\n\r\n")), 400);
  // The server goes on answering.
  EXPECT_EQ(Status(ApiGet("/api/manifest")), 200);
}

}  // namespace
}  // namespace lantern::albumpack::studio
