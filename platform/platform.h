// The interfaces the portable code calls: the clock, the message loop with its
// waits, windows (plain and layered), monitors, resources, files, pictures,
// text, media, and the system's services of platform/system.h. Two backends
// implement them: platform/win32 (the real one) and platform/fake (virtual
// time, scripted input, recorded frames). Portable code receives a Platform&,
// or the few interfaces it uses, and never reaches a backend directly.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/decoded_image.h"
#include "platform/media.h"
#include "platform/surface.h"
#include "platform/system.h"
#include "platform/worker.h"

namespace lantern::platform {

// Key codes are Windows virtual-key codes; these are the ones the program names.
namespace keys {
constexpr int kBack = 0x08;
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kShift = 0x10;
constexpr int kControl = 0x11;
constexpr int kMenu = 0x12;  // Alt
constexpr int kPause = 0x13;
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kPageUp = 0x21;
constexpr int kPageDown = 0x22;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kSnapshot = 0x2C;  // Print Screen
constexpr int kDelete = 0x2E;
constexpr int kDigit0 = 0x30;  // the digit keys 0..9 are 0x30..0x39
constexpr int kDigit5 = 0x35;
constexpr int kDigit9 = 0x39;
constexpr int kN = 0x4E;
constexpr int kR = 0x52;
constexpr int kF1 = 0x70;
constexpr int kF2 = 0x71;
constexpr int kF3 = 0x72;
constexpr int kF4 = 0x73;
constexpr int kAdd = 0x6B;        // keypad +
constexpr int kSeparator = 0x6C;  // keypad separator
constexpr int kSubtract = 0x6D;   // keypad -
constexpr int kOemPlus = 0xBB;    // = +
constexpr int kOemMinus = 0xBD;   // - _
}  // namespace keys

// Modifier mask passed with key and mouse events.
enum ShiftMask : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };
// Mouse button mask passed with mouse events.
enum MouseButtons : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

using WindowId = uint32_t;  // 0 is no window

// Receives the events of one window. Coordinates are client pixels.
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual void OnKeyDown(int /*key*/, int /*shift*/) {}
  virtual void OnKeyUp(int /*key*/, int /*shift*/) {}
  virtual void OnChar(char32_t /*ch*/) {}
  virtual void OnMouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void OnMouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void OnMouseMove(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void OnTimer(int /*timer_id*/) {}
  // The system asks the window to close (close box, Alt+F4, WM_CLOSE from
  // another program). The window stays until the handler destroys it.
  virtual void OnCloseRequest() {}
  virtual void OnActivate(bool /*active*/) {}
  virtual void OnResize(int /*width*/, int /*height*/) {}
  // The system destroyed the window without being asked by the program (its
  // foreign parent went away). No event follows, and the window no longer
  // exists.
  virtual void OnDestroyed() {}
};

enum class WindowKind {
  kBorderless,  // a popup without frame: the player, cover windows, floating windows
  kFramed,      // a captioned window with a close box: dialogs
  kTool,        // a borderless window that never shows in the task bar
};

struct WindowSpec {
  WindowKind kind = WindowKind::kBorderless;
  std::string title;  // UTF-8
  Rect bounds;        // outer bounds in screen pixels
  bool topmost = false;
  WindowId owner = 0;  // an owned window stays above its owner
};

// Colours of the system's scheme, by the numbers Windows gives them.
enum class SystemColour : int {
  kActiveCaption = 2,
  kWindow = 5,  // the background of text boxes and lists
  kHighlight = 13,
  kHighlightText = 14,
  kButtonFace = 15,
  kButtonShadow = 16,
  kButtonHighlight = 20,
  kInfoText = 23,        // tool-tip text
  kInfoBackground = 24,  // tool-tip background
};

struct ScreenMetrics {
  int32_t width = 0;   // primary screen, pixels
  int32_t height = 0;  // primary screen, pixels
  int32_t twips_per_pixel_x = 15;
  int32_t twips_per_pixel_y = 15;
  int32_t refresh_hz = 60;
  int32_t pixels_per_inch_y = 96;  // the screen's logical pixels per inch vertically
};

// Windows and their place on the screen: the interface every form uses.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  // Creates a hidden window whose events go to handler; 0 on failure.
  virtual WindowId Create(const WindowSpec& spec, WindowHandler& handler) = 0;
  virtual void Destroy(WindowId window) = 0;
  virtual bool Exists(WindowId window) = 0;
  virtual void Show(WindowId window, bool activate) = 0;
  virtual void Hide(WindowId window) = 0;
  virtual void SetBounds(WindowId window, const Rect& bounds) = 0;
  virtual Rect Bounds(WindowId window) = 0;
  // The client area in screen pixels.
  virtual Rect ClientBounds(WindowId window) = 0;
  virtual void SetTopmost(WindowId window, bool topmost) = 0;
  // Puts the window above the others of its band (topmost or not) without
  // activating it: a floating window that activating its owner covered.
  virtual void Raise(WindowId window) = 0;
  virtual void SetTitle(WindowId window, const std::string& title) = 0;
  // Brings the window to the foreground and gives it the keyboard focus.
  virtual void SetForeground(WindowId window) = 0;
};

// What a window is beyond its place: minimised, framed, the child of a
// window of another program.
class WindowStates {
 public:
  virtual ~WindowStates() = default;
  virtual void Minimise(WindowId window) = 0;
  virtual bool IsMinimised(WindowId window) = 0;
  virtual void Restore(WindowId window) = 0;
  // Gives a borderless window a thin dialog frame (true) or takes it away;
  // the outer bounds stay as they are, so the client area changes.
  virtual void SetFramed(WindowId window, bool framed) = 0;
  // Makes the window a child of a window of another program (the preview host).
  virtual void SetNativeParent(WindowId window, NativeHandle parent) = 0;
  virtual NativeHandle Native(WindowId window) = 0;
};

// A window's picture: the surface it repaints from, and presents of it.
class WindowPainting {
 public:
  virtual ~WindowPainting() = default;
  // The window repaints itself from this surface (nullptr: paints black).
  // The surface must outlive the attachment.
  virtual void AttachSurface(WindowId window, const Surface* surface) = 0;
  // Copies an area of the attached surface to the screen now.
  virtual void Present(WindowId window, const Rect& area) = 0;
  // Copies several areas as one update of the screen (by default, one
  // Present each).
  virtual void PresentAreas(WindowId window, std::span<const Rect> areas) {
    for (const Rect& area : areas)
      Present(window, area);
  }
};

// Interval timers of a window: they call its handler's OnTimer from the
// message pump.
class WindowTimers {
 public:
  virtual ~WindowTimers() = default;
  virtual void StartTimer(WindowId window, int timer_id, uint32_t interval_ms) = 0;
  virtual void StopTimer(WindowId window, int timer_id) = 0;
};

// What every window shares: the screen, the colour scheme, the pointer,
// tool tips and whether the program is the active one.
class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual ScreenMetrics Screen() = 0;
  // A colour of the system's scheme, 0x00BBGGRR.
  virtual uint32_t SystemColourOf(SystemColour colour) = 0;
  // One of the program's windows is the active window.
  virtual bool ApplicationActive() = 0;
  // The system's tool tip shows `text` while the pointer rests over `area`
  // (client pixels) of the window.
  virtual void AddToolTip(WindowId window, const Rect& area, const std::string& text) = 0;
  // The pointer over the window's client area: the hourglass while `busy`.
  virtual void SetBusyCursor(WindowId window, bool busy) = 0;
};

// Drawing memory.
class Surfaces {
 public:
  virtual ~Surfaces() = default;
  // A surface whose memory the backend's drawing functions can also reach.
  virtual std::unique_ptr<SurfaceBuffer> CreateSurface(int32_t width, int32_t height) = 0;
};

// One monitor of the desktop. Coordinates are virtual-screen pixels: the
// primary monitor's top-left corner is (0, 0), and a monitor left of or above
// it has negative coordinates.
struct MonitorInfo {
  Rect bounds;
  Rect work_area;  // without the task bar and docked tool bars
  bool primary = false;
  std::string device_name;  // "\\.\DISPLAY1"; UTF-8
};

// The rectangle around every monitor, and how many there are.
struct VirtualScreen {
  Rect bounds;
  int32_t monitor_count = 0;
};

class Monitors {
 public:
  virtual ~Monitors() = default;
  // Every monitor, in the system's order; empty when the system cannot say.
  virtual std::vector<MonitorInfo> List() = 0;
  virtual VirtualScreen Virtual() = 0;
};

// Tool windows whose picture is a 32-bit premultiplied-alpha layer (BGRA
// surfaces, alpha in the top byte) blended by the system with what lies behind
// them, pixel by pixel. They share the window numbers of WindowSystem, never
// take the activation when shown or pushed, and send their keys and mouse
// events to their handler like any window (a click activates one, so keys
// reach it). They are not painted from an attached surface: what shows is the
// last push.
class LayeredWindows {
 public:
  virtual ~LayeredWindows() = default;
  // A hidden layered window at `bounds` showing nothing yet; 0 on failure.
  virtual WindowId CreateLayered(const Rect& bounds, bool topmost, WindowId owner,
                                 WindowHandler& handler) = 0;
  // Shows the top-left pixels of `layer` in the window and moves it to
  // `bounds`; a `bounds` larger than the layer is cut to the layer's size.
  // False when the system refused (or the window or layer is not valid).
  virtual bool PushLayer(WindowId window, const Surface& layer, const Rect& bounds) = 0;
  // Moves and resizes the window; the last pushed pixels stay at its top-left
  // corner, and area beyond them is transparent.
  virtual void MoveLayered(WindowId window, const Rect& bounds) = 0;
  virtual void ShowLayered(WindowId window, bool show) = 0;
  virtual void DestroyLayered(WindowId window) = 0;
};

struct LocalTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  // Seconds since midnight, as BASIC's Timer reports them.
  double SecondsSinceMidnight() const {
    return hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
  }
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t NowMs() = 0;            // the multimedia clock, milliseconds, wraps at 2^32
  virtual int64_t Counter() = 0;           // the high-resolution counter
  virtual int64_t CounterFrequency() = 0;  // counts per second
  virtual LocalTime Now() = 0;
};

class WaitTimer {
 public:
  virtual ~WaitTimer() = default;
};

enum class WaitResult { kTimer, kMessage, kFailed };

class MessageLoop {
 public:
  virtual ~MessageLoop() = default;
  // Creates and arms a one-shot timer due after ms milliseconds (zero or
  // negative: due at once). The timer has no name, so no other process can
  // open or re-arm it. nullptr when the timer cannot be created.
  virtual std::unique_ptr<WaitTimer> StartWaitTimer(int32_t ms) = 0;
  // Arms a timer StartWaitTimer made again, due after ms milliseconds from
  // now, whether it fired or not: one timer serves every wait. False when
  // the system refused.
  virtual bool RearmWaitTimer(WaitTimer& timer, int32_t ms) = 0;
  // Sleeps until the timer fires or a message is waiting to be dispatched.
  virtual WaitResult WaitForTimerOrMessage(WaitTimer& timer) = 0;
  // Dispatches every pending message to the handlers of the windows.
  virtual void PumpMessages() = 0;
};

// The running program's own resources.
class Resources {
 public:
  virtual ~Resources() = default;
  // The bytes of the resource of type "DATA" with this name, matched without
  // regard to case; nullopt when there is none.
  virtual std::optional<std::vector<uint8_t>> LoadData(const std::string& name) = 0;
};

// A file held open, released when this object goes.
class FileHold {
 public:
  virtual ~FileHold() = default;
};

// Files and folders. Paths are UTF-8 Windows paths (C:\temp\~Pemo\1.mp3);
// the backend converts them at its boundary.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens a file, creating it if needed, and holds it open without sharing
  // it for writing or deletion: until the hold is released no process can
  // delete it (nor the folder it is in) or hold it too. nullptr when it is
  // held already or cannot be opened.
  virtual std::unique_ptr<FileHold> HoldOpen(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;  // a file or a folder
  virtual bool IsFolder(const std::string& path) = 0;
  virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;
  virtual std::optional<std::vector<uint8_t>> ReadFile(const std::string& path) = 0;
  virtual bool CreateFolder(const std::string& path) = 0;
  // Deletes a folder with everything in it, depth first; a file is deleted
  // alone. A link (a junction or symbolic link) is removed itself: what it
  // points to is never entered. What cannot be deleted (a held file) stays,
  // with the folders above it, and the result is false.
  virtual bool DeleteTree(const std::string& path) = 0;
  // Writes data at a 0-based offset, creating the file when needed; bytes of
  // an existing file beyond the written range stay as they were.
  virtual bool WriteAt(const std::string& path, std::span<const uint8_t> data, uint64_t offset) = 0;
  // The same through a mapped view of the file: one copy for the whole data.
  virtual bool WriteMapped(const std::string& path, std::span<const uint8_t> data,
                           uint64_t offset) = 0;
  // The time of the last write, in the system's own units; nullopt when unknown.
  virtual std::optional<int64_t> ModifiedTime(const std::string& path) = 0;
  // Copies a file, replacing the target.
  virtual bool CopyFileReplacing(const std::string& from, const std::string& to) = 0;

  // Creates a file that must not exist yet and writes `data` into it. A file
  // of that name is never opened, so nothing that exists is ever overwritten;
  // a file this call created and could not write whole is deleted again.
  enum class NewFile { kWritten, kExists, kFailed };
  struct NewFileResult {
    NewFile result = NewFile::kFailed;
    std::string reason;  // kFailed: the system's description of why (UTF-8)
  };
  virtual NewFileResult WriteNewFile(const std::string& path, std::span<const uint8_t> data) = 0;
};

// The platform's picture decoder: JPEG, GIF (first frame), PNG, TIFF (first
// page) and BMP on Windows, as stored (imaging turns them upright). `out`
// keeps its memory from one picture to the next. Once Start has succeeded on
// the user-interface thread, the decode calls may also be made from a worker
// thread, concurrently with the user-interface thread's own.
class PictureDecoder {
 public:
  // Given the size a picture is stored at, the least size its caller needs
  // (in the stored orientation); the stored size when it needs all of it.
  using LeastSize = std::function<std::pair<int32_t, int32_t>(int32_t width, int32_t height)>;

  virtual ~PictureDecoder() = default;
  virtual bool DecodeBytes(std::span<const uint8_t> bytes, DecodedImage& out) = 0;
  // Like DecodeBytes, but a decoder that can decode a picture smaller than
  // it is stored (a JPEG at 1/2, 1/4, 1/8 of its size, say) may decode it at
  // the smallest size it offers that is not below `least` in either
  // direction (an empty `least` wants the whole size). `least` is asked at
  // most once, before any pixel is decoded. A decoder that decodes a band of
  // rows at a time asks `cancelled` between bands and fails once it says so.
  virtual bool DecodeBytesAtLeast(std::span<const uint8_t> bytes, const LeastSize& least,
                                  const DecodeCancelled& cancelled, DecodedImage& out) {
    (void)least;
    (void)cancelled;
    return DecodeBytes(bytes, out);
  }
  // Whether a decode of these bytes asks `cancelled` as it goes (often
  // enough to stop within a few milliseconds); one that does not is run
  // off the interface thread (imaging/worker_decoder).
  virtual bool StopsPartWay(std::span<const uint8_t> bytes) const {
    (void)bytes;
    return false;
  }
  virtual bool DecodeFile(const std::string& path, DecodedImage& out) = 0;
  // Starts the imaging library; false when it cannot start.
  virtual bool Start() { return true; }
};

// How the inside of text is painted.
struct TextFill {
  enum class Kind { kNone, kSolid, kGradient, kTexture } kind = Kind::kNone;
  uint32_t argb1 = 0;  // 0xAARRGGBB
  uint32_t argb2 = 0;
  // Gradient: linear over this rectangle, mode 0 horizontal, 1 vertical,
  // 2 forward diagonal, 3 backward diagonal, mirrored beyond it (tile-flip).
  int32_t gradient_mode = 0;
  float gradient_left = 0, gradient_top = 0, gradient_width = 0, gradient_height = 0;
  const DecodedImage* texture = nullptr;  // tiled from the text box's origin
};

// One text box: the text as an outlined, filled path, laid out in a rectangle.
struct TextBox {
  std::string text;  // UTF-8; lines break at CR LF or LF
  std::string font_name;
  float font_size = 12;    // em size in pixels
  int32_t font_style = 0;  // 1 bold, 2 italic, 4 underline, 8 strikeout
  int32_t align = 0;       // 0-8: horizontal align % 3 (near, centre, far), vertical align / 3
  float left = 0, top = 0, width = 0, height = 0;
  TextFill fill;
  float border_width = 0;  // 0: no outline
  uint32_t border_argb = 0;
  bool smooth = true;  // anti-aliased edges
  bool clear = false;  // clear the surface to 0x01000000 first (layered windows)
  // The surface is the layer of a layered window: 32-bit premultiplied ARGB,
  // drawn with its alpha kept.
  bool premultiplied = false;
  // The text is one line however wide: never broken, it overflows the box's
  // sides as its alignment places it.
  bool one_line = false;
};

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  virtual void DrawTextBox(const Surface& surface, const TextBox& box) = 0;
  // The width in pixels of one line of text as a path in this font (its
  // outline's extent; 0 for empty text).
  virtual float MeasureWidth(const std::string& text, const std::string& font_name, float font_size,
                             int32_t font_style) = 0;
  // The width the system's string measurement gives the text laid out in a
  // box_width x box_height box with the default string format, which wraps
  // at the box and leaves a little room at both ends (0 for empty text).
  virtual float MeasureString(const std::string& text, const std::string& font_name,
                              float font_size, int32_t font_style, float box_width,
                              float box_height) = 0;
};

// What a tool without windows needs (the album builder, slide rendering):
// pictures, text, the clock, files, resources and drawing memory.
class ToolPlatform {
 public:
  virtual ~ToolPlatform() = default;
  virtual PictureDecoder& pictures() = 0;
  virtual TextRenderer& text() = 0;
  virtual Clock& clock() = 0;
  virtual Resources& resources() = 0;
  virtual FileSystem& files() = 0;
  virtual Surfaces& surfaces() = 0;
};

// Everything the player uses: the tool's services, and windows, the message
// loop and the system's services.
class Platform : public ToolPlatform {
 public:
  virtual MessageLoop& loop() = 0;
  virtual WindowSystem& windows() = 0;
  virtual WindowStates& window_states() = 0;
  virtual WindowPainting& painting() = 0;
  virtual WindowTimers& timers() = 0;
  virtual Desktop& desktop() = 0;
  virtual Monitors& monitors() = 0;
  virtual LayeredWindows& layered() = 0;
  virtual MediaPlayerFactory& media() = 0;
  // A new worker thread; its jobs may use pictures() (see PictureDecoder).
  virtual std::unique_ptr<Worker> CreateWorker() = 0;
  virtual Process& process() = 0;
  virtual Power& power() = 0;
  virtual ForeignWindows& foreign_windows() = 0;
  virtual Registry& registry() = 0;
  virtual Fonts& fonts() = 0;
  virtual Clipboard& clipboard() = 0;
  virtual MessageBoxes& messages() = 0;
  virtual CodePage& code_page() = 0;
  virtual CommonDialogs& common_dialogs() = 0;
};

}  // namespace lantern::platform
