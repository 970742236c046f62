#include "platform/ui/sdl_backend.h"

#include <SDL2/SDL.h>
#include <cairo.h>

#include "platform/ui/resources.h"
#include "platform/ui/utf8.h"

namespace tavrel {

namespace {

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
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    throw EOWException(std::string("No video: ") + SDL_GetError());
  wake_event_ = SDL_RegisterEvents(1);
  SetMessageWaitHook(this);
}

SdlBackend::~SdlBackend() {
  SetMessageWaitHook(nullptr);
  for (auto& [shape, cursor] : cursors_) SDL_FreeCursor(cursor);
}

std::unique_ptr<TBackendWindow> SdlBackend::CreateWindow(TForm& form) {
  return std::make_unique<SdlWindow>(*this, form);
}

TForm* SdlBackend::FormOf(uint32_t id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second->Form();
}

void SdlBackend::PumpEvents() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
}

void SdlBackend::Wait(std::optional<uint32_t> timeoutMs) {
  if (TApplication* app = Application()) app->RepaintForms();
  SDL_Event e;
  const int got = timeoutMs ? SDL_WaitEventTimeout(&e, static_cast<int>(*timeoutMs)) : SDL_WaitEvent(&e);
  if (got) Handle(e);
  PumpEvents();
  if (TApplication* app = Application()) app->RepaintForms();
}

void SdlBackend::Wake() {
  SDL_Event e{};
  e.type = wake_event_;
  SDL_PushEvent(&e);  // safe from any thread; stays queued until the next wait
}

TPoint SdlBackend::CursorPos() const {
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  return {x, y};
}

void SdlBackend::SetCursorPos(TPoint p) { SDL_WarpMouseGlobal(p.X, p.Y); }

TSize SdlBackend::ScreenSize() const {
  SDL_Rect r{};
  if (SDL_GetDisplayBounds(0, &r) != 0) return {0, 0};
  return {r.w, r.h};
}

std::string SdlBackend::ClipboardText() const {
  char* text = SDL_GetClipboardText();  // an empty string when there is none
  std::string result = text ? text : "";
  SDL_free(text);
  return result;
}

void SdlBackend::SetClipboardText(const std::string& text) { SDL_SetClipboardText(text.c_str()); }

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
  SDL_Cursor* cursor = SDL_CreateSystemCursor(id);
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
      if (TApplication* app = Application()) {
        if (app->MainForm()) app->MainForm()->InjectCloseRequest();
        else app->Terminate();
      }
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
  window_ = SDL_CreateWindow(form.Caption().c_str(), form.Left(), form.Top(),
                             std::max(form.Width(), 1), std::max(form.Height(), 1), flags);
  if (!window_) throw EOWException(std::string("Cannot create a window: ") + SDL_GetError());
  backend_.windows_[SDL_GetWindowID(window_)] = this;
}

SdlWindow::~SdlWindow() {
  backend_.windows_.erase(SDL_GetWindowID(window_));
  SDL_DestroyWindow(window_);
}

void SdlWindow::SetBounds(const TRect& r) {
  if (moving_from_system_) return;
  SDL_SetWindowPosition(window_, r.Left, r.Top);
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  if (w != r.Width() || h != r.Height()) SDL_SetWindowSize(window_, std::max(r.Width(), 1), std::max(r.Height(), 1));
}

void SdlWindow::SetVisible(bool v) {
  if (!v) {
    SDL_HideWindow(window_);
    return;
  }
  // The border style may have changed since the window was made (form data).
  const TFormBorderStyle b = form_.BorderStyle();
  const bool none = b == TFormBorderStyle::bsNone;
  SDL_SetWindowBordered(window_, none ? SDL_FALSE : SDL_TRUE);
  SDL_SetWindowResizable(window_, b == TFormBorderStyle::bsSizeable || b == TFormBorderStyle::bsSizeToolWin
                                      ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowHitTest(window_, none ? HitTest : nullptr, none ? &form_ : nullptr);
  SDL_ShowWindow(window_);
}

void SdlWindow::SetTitle(const std::string& t) { SDL_SetWindowTitle(window_, t.c_str()); }

void SdlWindow::Present(cairo_surface_t* surface, const TRect& dirty) {
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target || !surface) return;
  cairo_surface_flush(surface);
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(
      cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface),
      cairo_image_surface_get_height(surface), 32, cairo_image_surface_get_stride(surface),
      SDL_PIXELFORMAT_ARGB8888);
  if (!src) return;
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  SDL_Rect r{dirty.Left, dirty.Top, dirty.Width(), dirty.Height()};
  SDL_Rect d = r;
  SDL_BlitSurface(src, &r, target, &d);
  SDL_FreeSurface(src);
  SDL_UpdateWindowSurfaceRects(window_, &d, 1);
}

void SdlWindow::Raise() { SDL_RaiseWindow(window_); }
void SdlWindow::SetStayOnTop(bool v) { SDL_SetWindowAlwaysOnTop(window_, v ? SDL_TRUE : SDL_FALSE); }
void SdlWindow::SetCursorShape(TCursor c) {
  if (c == crNone) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  SDL_ShowCursor(SDL_ENABLE);
  if (SDL_Cursor* cursor = backend_.SystemCursor(c)) SDL_SetCursor(cursor);
}
void SdlWindow::SetCapture(bool v) { SDL_CaptureMouse(v ? SDL_TRUE : SDL_FALSE); }

}  // namespace tavrel
