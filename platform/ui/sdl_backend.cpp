#include "platform/ui/sdl_backend.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <cairo.h>
#include <poll.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/ui/resources.h"
#include "platform/ui/utf8.h"

// Last: the X headers define short macro names (None, Bool, Status).
#include <X11/Xlib.h>

namespace tavrel {

// Xlib's view of the X connection of SDL's video: its handler of a broken
// connection, and the backend it tells.
//
// Xlib calls the handler on the thread whose call met the broken
// connection; only the backend's thread uses the display, so that is the
// GUI thread, inside one of the backend's guarded SDL calls. Xlib's own
// handler would end the process there; returning would leave calls that
// wait for an event (a window being mapped, a selection) waiting forever on
// the dead connection. So the handler jumps back out of SDL to the guard,
// which skips what remains of the call; the backend marks the display lost
// and never calls SDL's video again. Only C frames (SDL's, Xlib's) lie
// between a guard and the handler: guarded calls are plain SDL calls.
struct SdlDisplayWatch {
  struct Guard {
    sigjmp_buf jump;
    Guard* outer;
  };
  static inline SdlBackend* current = nullptr;  // the GUI thread's backend, if any
  static inline Guard* guard = nullptr;         // the innermost guarded call

  static int QuietIOError(Display*) { return 0; }  // the exit handler says what follows
  static void Lost(Display*, void*) {
    if (current) current->lost_ = true;
    if (guard) siglongjmp(guard->jump, 1);
    // A call outside every guard: nothing can come back from it.
    static const char kSay[] = "the X display was lost\n";
    [[maybe_unused]] ssize_t n = ::write(2, kSay, sizeof kSay - 1);
    std::_Exit(1);
  }
};

// Runs `call` (plain SDL calls only) unless the display is lost; false when
// it was lost before or during the call.
template <class F>
bool SdlBackend::Guarded(F&& call) {
  if (lost_) return false;
  SdlDisplayWatch::Guard g;
  g.outer = SdlDisplayWatch::guard;
  if (sigsetjmp(g.jump, 0) != 0) {
    SdlDisplayWatch::guard = g.outer;
    return false;
  }
  SdlDisplayWatch::guard = &g;
  call();
  SdlDisplayWatch::guard = g.outer;
  return true;
}

namespace {

// SIGINT and SIGTERM: a flag and a write to a descriptor every backend's
// wait polls. Installed while backends exist; the handlers before are put
// back after the last.
struct EndSignals {
  int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::atomic<bool> raised{false};
  int users = 0;
  struct sigaction before_int {}, before_term {};

  static EndSignals& Get() {
    static EndSignals s;
    return s;
  }
  static void Handler(int) {
    const int saved = errno;
    EndSignals& s = Get();
    s.raised = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(s.fd, &one, sizeof one);
    errno = saved;
  }
  void Use() {
    if (users++) return;
    struct sigaction sa {};
    sa.sa_handler = Handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, &before_int);
    sigaction(SIGTERM, &sa, &before_term);
  }
  void Release() {
    if (--users) return;
    sigaction(SIGINT, &before_int, nullptr);
    sigaction(SIGTERM, &before_term, nullptr);
  }
  // True once per signal raised since the last call; drains the
  // descriptor first, so that a wait never finds it readable for nothing.
  bool Take() {
    uint64_t count;
    while (::read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
    return raised.exchange(false);
  }
};

// Virtual key of an SDL key; 0 when it has none.
uint16_t VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return static_cast<uint16_t>('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return static_cast<uint16_t>('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return static_cast<uint16_t>(VK_F1 + (k - SDLK_F1));
  switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

TShiftState ModState(uint16_t mod) {
  TShiftState s = 0;
  if (mod & KMOD_SHIFT) s |= ssShift;
  if (mod & KMOD_CTRL) s |= ssCtrl;
  if (mod & KMOD_ALT) s |= ssAlt;
  return s;
}

WPARAM MouseKeys(uint32_t buttons) {
  TShiftState s = ModState(static_cast<uint16_t>(SDL_GetModState()));
  if (buttons & SDL_BUTTON_LMASK) s |= ssLeft;
  if (buttons & SDL_BUTTON_RMASK) s |= ssRight;
  if (buttons & SDL_BUTTON_MMASK) s |= ssMiddle;
  return ShiftStateToKeys(s);
}

// The form decides, by the platform's hit codes, where a borderless
// window is dragged or sized.
SDL_HitTestResult HitTest(SDL_Window*, const SDL_Point* p, void* data) {
  auto* form = static_cast<TForm*>(data);
  const LRESULT code = form->Perform(WM_NCHITTEST, 0, MakeMousePos(form->Left() + p->x, form->Top() + p->y));
  switch (code) {
    case HTCAPTION: return SDL_HITTEST_DRAGGABLE;
    case HTLEFT: return SDL_HITTEST_RESIZE_LEFT;
    case HTRIGHT: return SDL_HITTEST_RESIZE_RIGHT;
    case HTTOP: return SDL_HITTEST_RESIZE_TOP;
    case HTTOPLEFT: return SDL_HITTEST_RESIZE_TOPLEFT;
    case HTTOPRIGHT: return SDL_HITTEST_RESIZE_TOPRIGHT;
    case HTBOTTOM: return SDL_HITTEST_RESIZE_BOTTOM;
    case HTBOTTOMLEFT: return SDL_HITTEST_RESIZE_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
    default: return SDL_HITTEST_NORMAL;
  }
}

}  // namespace

SdlBackend::SdlBackend() {
  // The waits below poll the X connection itself; closing is the forms'
  // business, one request per click, and signals are ours. Window surfaces
  // go to the server through Xlib itself, not through a GL context: a
  // small window drawn in software needs none, and GL's own use of the
  // connection ends the process when the server goes.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw EOWException(std::string("no display: ") + SDL_GetError());
  // SDL names its connection only through a window's system information.
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  const bool x11 = probe && SDL_GetWindowWMInfo(probe, &info) && info.subsystem == SDL_SYSWM_X11;
  if (probe) SDL_DestroyWindow(probe);
  if (!x11) throw EOWException(std::string("no display: ") + SDL_GetError());
  display_ = info.info.x11.display;
  x_fd_ = ConnectionNumber(display_);
  // A write to a connection the server has closed must fail with EPIPE and
  // reach the handlers below, not end the process with SIGPIPE. Blocked on
  // this thread, the only one that writes to the display, for good: a
  // SIGPIPE left pending would be delivered if it were unblocked again.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  XSetIOErrorHandler(SdlDisplayWatch::QuietIOError);
  XSetIOErrorExitHandler(info.info.x11.display, SdlDisplayWatch::Lost, nullptr);
  SdlDisplayWatch::current = this;
  EndSignals::Get().Use();
  SetMessageWaitHook(this);
}

SdlBackend::~SdlBackend() {
  SetMessageWaitHook(nullptr);
  EndSignals::Get().Release();
  for (auto& [shape, cursor] : cursors_) Guarded([&, cursor = cursor] { SDL_FreeCursor(cursor); });
  if (SdlDisplayWatch::current == this) SdlDisplayWatch::current = nullptr;
}

std::unique_ptr<TBackendWindow> SdlBackend::CreateWindow(TForm& form) {
  return std::make_unique<SdlWindow>(*this, form);
}

TForm* SdlBackend::FormOf(uint32_t id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second->Form();
}

bool SdlBackend::EventsMayWait() {
  const auto now = std::chrono::steady_clock::now();
  if (now - last_pump_ >= kPumpAtLeastEvery) return true;
  bool waiting = true;
  // Nothing is sent here: SDL's X11 calls send their requests themselves.
  Guarded([&] {
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || XEventsQueued(display_, QueuedAlready) > 0) return;
    pollfd connection{x_fd_, POLLIN, 0};
    waiting = ::poll(&connection, 1, 0) > 0;
  });
  return waiting || lost_;
}

int SdlBackend::DeliverEvents() {
  if (!EventsMayWait()) return 0;
  last_pump_ = std::chrono::steady_clock::now();
  int n = 0;
  SDL_Event e;
  int got = 0;
  while (Guarded([&] { got = SDL_PollEvent(&e); }) && got) {
    Handle(e);
    ++n;
  }
  return n;
}

void SdlBackend::PumpEvents() {
  DeliverEvents();
  CheckEndings();
}

void SdlBackend::Wait(std::optional<uint32_t> timeoutMs, int wakeFd) {
  TApplication* app = Application();
  if (app) app->RepaintForms();
  // DeliverEvents looks at SDL's queue and Xlib's before the socket, and a
  // pump reads everything the connection holds, so a quiet socket below
  // means nothing waits anywhere.
  if (DeliverEvents() == 0 && !EndSignals::Get().raised) {
    pollfd fds[3] = {{wakeFd, POLLIN, 0}, {EndSignals::Get().fd, POLLIN, 0}, {lost_ ? -1 : x_fd_, POLLIN, 0}};
    const int timeout = timeoutMs ? static_cast<int>(std::min<uint32_t>(*timeoutMs, 0x7FFFFFFF)) : -1;
    ::poll(fds, 3, timeout);
    DeliverEvents();
  }
  CheckEndings();
  if (app) app->RepaintForms();
}

void SdlBackend::RequestClose() {
  close_wanted_ = true;
  CheckEndings();
}

void SdlBackend::CheckEndings() {
  if (EndSignals::Get().Take()) close_wanted_ = true;
  if (lost_ && !lost_told_) lost_told_ = close_wanted_ = true;
  TApplication* app = Application();
  if (!close_wanted_ || !app) return;
  // The main form closes as its close button would; while it is still
  // being created (it is not the main form until its creation ends) the
  // request waits for it. A modal loop without a main form just ends.
  if (TForm* main = app->MainForm()) {
    PostMessage(main->Handle(), WM_CLOSE, 0, 0);
    close_wanted_ = false;
  } else if (app->ModalForm()) {
    app->Terminate();
    close_wanted_ = false;
  }
}

TPoint SdlBackend::CursorPos() const {
  int x = 0, y = 0;
  const_cast<SdlBackend*>(this)->Guarded([&] { SDL_GetGlobalMouseState(&x, &y); });
  return {x, y};
}

void SdlBackend::SetCursorPos(TPoint p) {
  Guarded([&] { SDL_WarpMouseGlobal(p.X, p.Y); });
}

TSize SdlBackend::ScreenSize() const {
  SDL_Rect r{};
  int rc = -1;
  const_cast<SdlBackend*>(this)->Guarded([&] { rc = SDL_GetDisplayBounds(0, &r); });
  if (rc != 0) return {0, 0};
  return {r.w, r.h};
}

std::string SdlBackend::ClipboardText() const {
  char* text = nullptr;  // an empty string when there is none
  const_cast<SdlBackend*>(this)->Guarded([&] { text = SDL_GetClipboardText(); });
  std::string result = text ? text : "";
  SDL_free(text);
  return result;
}

void SdlBackend::SetClipboardText(const std::string& text) {
  const char* t = text.c_str();
  Guarded([&] { SDL_SetClipboardText(t); });
}

bool SdlBackend::OpenURL(const std::string& url) { return SDL_OpenURL(url.c_str()) == 0; }

SDL_Surface* CursorSurface(cairo_surface_t* image) {
  cairo_surface_flush(image);
  const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return nullptr;
  for (int y = 0; y < h; ++y) {
    const auto* from = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image) +
                                                         y * cairo_image_surface_get_stride(image));
    auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < w; ++x) {
      const uint32_t p = from[x], a = p >> 24;
      auto plain = [&](int shift) { return a ? (((p >> shift) & 0xFF) * 255 + a / 2) / a : 0u; };
      to[x] = a << 24 | plain(16) << 16 | plain(8) << 8 | plain(0);
    }
  }
  return s;
}

SDL_Cursor* SdlBackend::SystemCursor(TCursor c) {
  auto it = cursors_.find(c);
  if (it != cursors_.end()) return it->second;
  if (const TCursorImage* loaded = LoadedCursorImage(c)) {
    SDL_Surface* s = CursorSurface(loaded->image.get());
    SDL_Cursor* cursor = s ? SDL_CreateColorCursor(s, loaded->hotSpot.X, loaded->hotSpot.Y) : nullptr;  // copies
    if (s) SDL_FreeSurface(s);
    // A picture SDL cannot take shows the arrow.
    return cursor ? cursors_[c] = cursor : SystemCursor(crArrow);
  }
  SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
  switch (c) {
    case crHandPoint: id = SDL_SYSTEM_CURSOR_HAND; break;
    case crSizeAll: id = SDL_SYSTEM_CURSOR_SIZEALL; break;
    case crIBeam: id = SDL_SYSTEM_CURSOR_IBEAM; break;
    case crCross: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
    case crHourGlass: id = SDL_SYSTEM_CURSOR_WAIT; break;
    case crSizeNS: id = SDL_SYSTEM_CURSOR_SIZENS; break;
    case crSizeWE: id = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case crSizeNWSE: id = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case crSizeNESW: id = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case crNo: id = SDL_SYSTEM_CURSOR_NO; break;
    default: break;
  }
  SDL_Cursor* cursor = nullptr;
  Guarded([&] { cursor = SDL_CreateSystemCursor(id); });
  cursors_[c] = cursor;
  return cursor;
}

void SdlBackend::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      if (TForm* f = FormOf(e.motion.windowID))
        f->InjectMouse(WM_MOUSEMOVE, e.motion.x, e.motion.y, MouseKeys(e.motion.state));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      TForm* f = FormOf(e.button.windowID);
      if (!f) break;
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      const bool dbl = down && e.button.clicks == 2;
      UINT msg = 0;
      if (e.button.button == SDL_BUTTON_LEFT) msg = down ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
      else if (e.button.button == SDL_BUTTON_RIGHT) msg = down ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
      else if (e.button.button == SDL_BUTTON_MIDDLE) msg = down ? (dbl ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN) : WM_MBUTTONUP;
      if (msg) f->InjectMouse(msg, e.button.x, e.button.y, MouseKeys(SDL_GetMouseState(nullptr, nullptr)));
      break;
    }
    case SDL_MOUSEWHEEL:
      if (TForm* f = FormOf(e.wheel.windowID); f && e.wheel.y != 0) {
        int x = 0, y = 0;
        const uint32_t buttons = SDL_GetMouseState(&x, &y);
        const int delta = (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y) * WHEEL_DELTA;
        f->InjectWheel(x, y, delta, MouseKeys(buttons));
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      TForm* f = FormOf(e.key.windowID);
      const uint16_t vk = VirtualKey(e.key.keysym.sym);
      if (!f || !vk) break;
      const TShiftState s = ModState(e.key.keysym.mod);
      const bool down = e.type == SDL_KEYDOWN;
      f->InjectKey(down ? ((s & ssAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN) : ((s & ssAlt) ? WM_SYSKEYUP : WM_KEYUP), vk, s);
      if (!down) break;
      // Characters SDL sends no text for: control keys and accelerators.
      if ((s & ssAlt) && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')))
        f->InjectChar(static_cast<char32_t>(vk >= 'A' && vk <= 'Z' ? vk - 'A' + 'a' : vk), s);
      else if (vk == VK_BACK || vk == VK_RETURN || vk == VK_ESCAPE)
        f->InjectChar(static_cast<char32_t>(vk == VK_BACK ? 8 : vk == VK_RETURN ? 13 : 27), s);
      break;
    }
    case SDL_TEXTINPUT:
      if (TForm* f = FormOf(e.text.windowID)) {
        const TShiftState s = ModState(static_cast<uint16_t>(SDL_GetModState()));
        const std::string_view text(e.text.text);
        for (size_t pos = 0; pos < text.size();) f->InjectChar(NextUTF8(text, pos), s & ~ssAlt);
      }
      break;
    case SDL_WINDOWEVENT: {
      auto it = windows_.find(e.window.windowID);
      if (it == windows_.end()) break;
      SdlWindow* w = it->second;
      TForm& f = w->Form();
      switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
          if (f.Surface()) w->Present(f.Surface(), Rect(0, 0, f.ClientWidth(), f.ClientHeight()));
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          f.InjectResize(e.window.data1, e.window.data2);
          break;
        case SDL_WINDOWEVENT_MOVED:
          w->moving_from_system_ = true;
          f.SetBounds(e.window.data1, e.window.data2, f.Width(), f.Height());
          w->moving_from_system_ = false;
          break;
        case SDL_WINDOWEVENT_LEAVE:
          f.InjectMouseLeave();
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          f.InjectActivate(true);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          f.InjectActivate(false);
          break;
        case SDL_WINDOWEVENT_CLOSE:
          f.InjectCloseRequest();
          break;
        default:
          break;
      }
      break;
    }
    case SDL_QUIT:
      RequestClose();
      break;
    default:
      break;
  }
}

// ---- windows ---------------------------------------------------------------

SdlWindow::SdlWindow(SdlBackend& backend, TForm& form) : backend_(backend), form_(form) {
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (form.BorderStyle() == TFormBorderStyle::bsNone) flags |= SDL_WINDOW_BORDERLESS;
  if (form.BorderStyle() == TFormBorderStyle::bsSizeable ||
      form.BorderStyle() == TFormBorderStyle::bsSizeToolWin)
    flags |= SDL_WINDOW_RESIZABLE;
  const std::string title = form.Caption();
  const char* caption = title.c_str();
  const int x = form.Left(), y = form.Top(), w = std::max(form.Width(), 1), h = std::max(form.Height(), 1);
  backend_.Guarded([&] { window_ = SDL_CreateWindow(caption, x, y, w, h, flags); });
  if (backend_.lost_) return;  // a window of a dead display: nothing to show, nothing to fail
  if (!window_) throw EOWException(std::string("Cannot create a window: ") + SDL_GetError());
  backend_.windows_[SDL_GetWindowID(window_)] = this;
}

void SdlWindow::FreeSurface::operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }

SdlWindow::~SdlWindow() {
  if (!window_) return;
  backend_.windows_.erase(SDL_GetWindowID(window_));
  // Once the display is lost SDL is not called again: its window stays.
  backend_.Guarded([&] { SDL_DestroyWindow(window_); });
}

void SdlWindow::SetBounds(const TRect& r) {
  if (moving_from_system_) return;
  const int w = std::max(r.Width(), 1), h = std::max(r.Height(), 1);
  backend_.Guarded([&] {
    SDL_SetWindowPosition(window_, r.Left, r.Top);
    int now_w = 0, now_h = 0;
    SDL_GetWindowSize(window_, &now_w, &now_h);
    if (now_w != r.Width() || now_h != r.Height()) SDL_SetWindowSize(window_, w, h);
  });
}

void SdlWindow::SetVisible(bool v) {
  if (!v) {
    backend_.Guarded([&] { SDL_HideWindow(window_); });
    return;
  }
  // The border style may have changed since the window was made (form data).
  const TFormBorderStyle b = form_.BorderStyle();
  const SDL_bool bordered = b == TFormBorderStyle::bsNone ? SDL_FALSE : SDL_TRUE;
  const SDL_bool resizable =
      b == TFormBorderStyle::bsSizeable || b == TFormBorderStyle::bsSizeToolWin ? SDL_TRUE : SDL_FALSE;
  TForm* hitForm = bordered ? nullptr : &form_;
  backend_.Guarded([&] {
    SDL_SetWindowBordered(window_, bordered);
    SDL_SetWindowResizable(window_, resizable);
    SDL_SetWindowHitTest(window_, hitForm ? HitTest : nullptr, hitForm);
    SDL_ShowWindow(window_);
  });
}

void SdlWindow::SetTitle(const std::string& t) {
  const char* title = t.c_str();
  backend_.Guarded([&] { SDL_SetWindowTitle(window_, title); });
}

void SdlWindow::Present(cairo_surface_t* surface, const TRect& dirty) {
  if (!surface) return;
  cairo_surface_flush(surface);
  unsigned char* pixels = cairo_image_surface_get_data(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  SDL_Rect r{dirty.Left, dirty.Top, dirty.Width(), dirty.Height()};
  // SDL's view of the form's pixels, made again only when they move.
  if (!source_ || source_->pixels != pixels || source_->w != width || source_->h != height ||
      source_->pitch != stride) {
    source_.reset(SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, stride, SDL_PIXELFORMAT_ARGB8888));
    if (!source_) return;
    SDL_SetSurfaceBlendMode(source_.get(), SDL_BLENDMODE_NONE);
  }
  backend_.Guarded([&] {
    SDL_Surface* target = SDL_GetWindowSurface(window_);
    if (!target) return;
    SDL_Rect d = r;
    SDL_BlitSurface(source_.get(), &r, target, &d);
    SDL_UpdateWindowSurfaceRects(window_, &d, 1);
  });
}

void SdlWindow::Raise() {
  backend_.Guarded([&] { SDL_RaiseWindow(window_); });
}
void SdlWindow::SetStayOnTop(bool v) {
  backend_.Guarded([&] { SDL_SetWindowAlwaysOnTop(window_, v ? SDL_TRUE : SDL_FALSE); });
}
void SdlWindow::SetCursorShape(TCursor c) {
  SDL_Cursor* cursor = c == crNone ? nullptr : backend_.SystemCursor(c);
  backend_.Guarded([&] {
    SDL_ShowCursor(c == crNone ? SDL_DISABLE : SDL_ENABLE);
    if (cursor) SDL_SetCursor(cursor);
  });
}
void SdlWindow::SetCapture(bool v) {
  backend_.Guarded([&] { SDL_CaptureMouse(v ? SDL_TRUE : SDL_FALSE); });
}

}  // namespace tavrel
