// DirectShow song players: one filter graph per song.
#include "platform/win32/win32_media.h"

#include <windows.h>
// After <windows.h>: the DirectShow interfaces and their identifiers.
#include <dshow.h>

#include <string>
#include <utility>

#include "platform/win32/win32_util.h"

namespace lantern::platform::win32 {

namespace {

int graphs_alive = 0;

// Owns one reference to a COM interface.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  // The reference count left after releasing ours (0: the object is gone).
  ULONG Reset() {
    const ULONG left = p_ != nullptr ? p_->Release() : 0;
    p_ = nullptr;
    return left;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void** out() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }

 private:
  T* p_ = nullptr;
};

class DirectShowPlayer final : public MediaPlayer {
 public:
  // Creates the graph and its three control interfaces; false on failure.
  bool Create() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph_.out()))) {
      return false;
    }
    ++graphs_alive;
    return SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, control_.out())) &&
           SUCCEEDED(graph_->QueryInterface(IID_IMediaPosition, position_.out())) &&
           SUCCEEDED(graph_->QueryInterface(IID_IBasicAudio, audio_.out()));
  }

  ~DirectShowPlayer() override {
    // The interfaces first, the graph last: it owns the filters.
    audio_.Reset();
    position_.Reset();
    control_.Reset();
    if (graph_ && graph_.Reset() == 0) --graphs_alive;
  }

  bool RenderFile(const std::string& path) override {
    const std::wstring wide = Wide(path);
    return SUCCEEDED(graph_->RenderFile(wide.c_str(), nullptr));
  }
  bool Run() override { return SUCCEEDED(control_->Run()); }
  bool Pause() override { return SUCCEEDED(control_->Pause()); }
  bool Stop() override { return SUCCEEDED(control_->Stop()); }

  std::optional<double> Duration() override {
    REFTIME seconds = 0;
    if (FAILED(position_->get_Duration(&seconds))) return std::nullopt;
    return seconds;
  }
  std::optional<double> Position() override {
    REFTIME seconds = 0;
    if (FAILED(position_->get_CurrentPosition(&seconds))) return std::nullopt;
    return seconds;
  }
  bool SetPosition(double seconds) override {
    return SUCCEEDED(position_->put_CurrentPosition(seconds));
  }
  std::optional<int32_t> Volume() override {
    long volume = 0;
    if (FAILED(audio_->get_Volume(&volume))) return std::nullopt;
    return static_cast<int32_t>(volume);
  }
  bool SetVolume(int32_t hundredths_db) override {
    return SUCCEEDED(audio_->put_Volume(hundredths_db));
  }

 private:
  ComRef<IGraphBuilder> graph_;
  ComRef<IMediaControl> control_;
  ComRef<IMediaPosition> position_;
  ComRef<IBasicAudio> audio_;
};

class DirectShowFactory final : public MediaPlayerFactory {
 public:
  DirectShowFactory() {
    // S_FALSE: COM was already initialised on this thread; it still counts
    // once and must be undone. RPC_E_CHANGED_MODE: someone else owns it.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialised_ = SUCCEEDED(hr);
  }
  ~DirectShowFactory() override {
    if (initialised_) CoUninitialize();
  }
  DirectShowFactory(const DirectShowFactory&) = delete;
  DirectShowFactory& operator=(const DirectShowFactory&) = delete;

  std::unique_ptr<MediaPlayer> CreatePlayer() override {
    auto player = std::make_unique<DirectShowPlayer>();
    if (!player->Create()) return nullptr;
    return player;
  }

 private:
  bool initialised_ = false;
};

}  // namespace

int DirectShowGraphsAlive() {
  return graphs_alive;
}

std::unique_ptr<MediaPlayerFactory> CreateDirectShowFactory() {
  return std::make_unique<DirectShowFactory>();
}

}  // namespace lantern::platform::win32
