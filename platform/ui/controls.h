#pragma once
// The control tree: TControl (bounds, visibility, colour and font with
// parent inheritance, caption, hint, cursor, alignment and anchors, mouse
// messages), TWinControl (children, focus, tab order, keys, a window handle
// for posted messages and timers), TGraphicControl (windowless, painted on
// its parent's surface) and TCustomControl (windowed, with its own canvas).
//
//   auto* panel = TComponent::Create<TCustomControl>(form);
//   panel->SetParent(form);
//   panel->SetBounds(0, 0, 200, 100);
//   panel->SetAlign(alTop);
//   auto* label = TComponent::Create<TLabel>(form);
//   label->SetParent(panel);                 // painted by the panel
//   PostMessage(panel->Handle(), WM_APP + 1, 0, 0);   // delivered to panel->WndProc
//   SetTimer(panel->Handle(), 500, 40);                // WM_TIMER on the GUI thread
//
// Messages reach a control through Perform, which calls its WndProc; the
// default WndProc turns them into the virtual handlers (MouseDown, KeyDown,
// Paint, DoEnter, ...) and the events. Painting follows the window rules:
// each windowed control keeps its own invalid rectangle and paints only
// that part, windowed children clip their parent, and windowless children
// are painted by their parent right after it. Mouse messages carry client
// coordinates; a form routes them by hit testing (see forms.h).
//
// Non-client frame: a windowed control may keep a border around its client
// area (an edit's sunken edge). It answers WM_NCCALCSIZE by shrinking the
// window rectangle it is given to its client rectangle and paints the
// border on WM_NCPAINT; children, Paint and client coordinates start at the
// client origin. FrameChanged asks again after a border setting changed.
//
// Keys: WM_KEYDOWN runs the KeyDown stage (subclasses and OnKeyDown; a key
// set to 0 stops there), then the dialog keys (Tab, Return, Escape, when
// the control does not ask for them through WM_GETDLGCODE: they move the
// focus or reach the form's default and cancel buttons through
// CM_DIALOGKEY), then the control's own processing in DefaultHandler.
// WM_CHAR runs KeyPress (the character may be changed or set to 0), then
// DefaultHandler with the character as it stands. Posting WM_KEYDOWN to a
// control's Handle runs the same road.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/messages.h"
#include "platform/ui/canvas.h"

namespace tavrel {

// ---- window and control messages -------------------------------------------

inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_PAINT = 0x000F;  // wParam: the TCanvas* to paint into
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_ERASEBKGND = 0x0014;  // wParam: TCanvas*
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_NCCALCSIZE = 0x0083;  // lParam: TRect* window -> client (own coordinates)
inline constexpr UINT WM_NCHITTEST = 0x0084;
inline constexpr UINT WM_NCPAINT = 0x0085;  // wParam: TCanvas* over the whole window
inline constexpr UINT WM_GETDLGCODE = 0x0087;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;  // wParam: a Unicode code point
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_COMMAND = 0x0111;  // wParam: notification << 16 | id
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;  // wParam: delta (signed) << 16 | keys
inline constexpr UINT WM_MOVING = 0x0216;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;
inline constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
inline constexpr UINT WM_EXITSIZEMOVE = 0x0232;
inline constexpr UINT WM_CUT = 0x0300;
inline constexpr UINT WM_COPY = 0x0301;
inline constexpr UINT WM_PASTE = 0x0302;
inline constexpr UINT WM_CLEAR = 0x0303;
inline constexpr UINT WM_THEMECHANGED = 0x031A;

inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_ACTIVATE = CM_BASE + 0;
inline constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
inline constexpr UINT CM_DIALOGKEY = CM_BASE + 5;  // wParam: the key, lParam: shift; answer 1 when used
inline constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;  // wParam: the character; answer 1 when used
inline constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;  // lParam: the focused TWinControl*
inline constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
inline constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
inline constexpr UINT CM_HITTEST = CM_BASE + 10;
inline constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
inline constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
inline constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
inline constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
inline constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
inline constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
inline constexpr UINT CM_MOUSEENTER = CM_BASE + 19;  // lParam: the control entered, when passed up
inline constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
inline constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
inline constexpr UINT CM_ENTER = CM_BASE + 26;
inline constexpr UINT CM_EXIT = CM_BASE + 27;
inline constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
inline constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
inline constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
inline constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
inline constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
inline constexpr UINT CM_HINTSHOW = CM_BASE + 48;  // lParam: THintInfo*; answer non-zero to refuse
inline constexpr UINT CM_RELEASE = CM_BASE + 33;
inline constexpr UINT CM_INVALIDATE = CM_BASE + 52;
inline constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;

// Notifications a control sends itself, as the platform reflects them back
// to the control (CN_COMMAND with the code in the high word of wParam).
inline constexpr UINT CN_BASE = 0xBC00;
inline constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;

// Hit codes a window answers to WM_NCHITTEST (lParam: the screen point).
inline constexpr LRESULT HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2, HTLEFT = 10, HTRIGHT = 11,
                         HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14, HTBOTTOM = 15,
                         HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17;

// Dialog codes a control answers to WM_GETDLGCODE.
inline constexpr LRESULT DLGC_WANTARROWS = 0x1;
inline constexpr LRESULT DLGC_WANTTAB = 0x2;
inline constexpr LRESULT DLGC_WANTALLKEYS = 0x4;
inline constexpr LRESULT DLGC_HASSETSEL = 0x8;
inline constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x10;
inline constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x20;
inline constexpr LRESULT DLGC_WANTCHARS = 0x80;
inline constexpr LRESULT DLGC_BUTTON = 0x2000;

// Mouse key state in wParam of mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8,
                        MK_MBUTTON = 0x10;

// Virtual keys; letters and digits are their upper-case ASCII codes.
inline constexpr uint16_t VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04, VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                          VK_CONTROL = 0x11, VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                          VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
                          VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                          VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70, VK_F4 = 0x73;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// Mouse position packed as the platform packs it: signed 16-bit x and y.
// Wheel turn of a WM_MOUSEWHEEL: multiples of 120, positive away from the user.
inline constexpr int WHEEL_DELTA = 120;
inline WPARAM MakeWheelParam(int delta, WPARAM keys) {
  return (static_cast<WPARAM>(static_cast<uint16_t>(static_cast<int16_t>(delta))) << 16) | (keys & 0xFFFF);
}
inline int WheelDelta(WPARAM wp) { return static_cast<int16_t>((wp >> 16) & 0xFFFF); }

inline LPARAM MakeMousePos(int x, int y) {
  return static_cast<LPARAM>((static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) |
                             static_cast<uint16_t>(x));
}
inline TPoint MousePos(LPARAM lp) {
  return {static_cast<int16_t>(lp & 0xFFFF), static_cast<int16_t>((lp >> 16) & 0xFFFF)};
}

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : uint8_t {
  ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = uint8_t;
TShiftState KeysToShiftState(WPARAM keys);
WPARAM ShiftStateToKeys(TShiftState s);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// Horizontal placement of text in a control.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
const EnumInfo& AlignmentInfo();
enum TAnchorKind : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = uint8_t;

using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crHourGlass = -11, crNo = -18, crHandPoint = -21, crSizeAll = -22;

enum TControlStyleFlag : uint32_t {
  csAcceptsControls = 1u << 0,
  csCaptureMouse = 1u << 1,
  csClickEvents = 1u << 2,
  csSetCaption = 1u << 3,
  csOpaque = 1u << 4,
  csDoubleClicks = 1u << 5,
  csFixedWidth = 1u << 6,
  csFixedHeight = 1u << 7,
  csReplicatable = 1u << 8,
  csNoStdEvents = 1u << 9,
};
enum TControlStateFlag : uint32_t {
  csLButtonDown = 1u << 0,
  csClicked = 1u << 1,
  csFocusing = 1u << 2,
  csAlignmentNeeded = 1u << 3,
  csCustomPaint = 1u << 4,
};

class TWinControl;
class TForm;

// Size limits of a control (0: no limit), applied by SetBounds.
class TSizeConstraints : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  int MinWidth() const { return min_w_; }
  void SetMinWidth(int v) { Set(min_w_, v); }
  int MinHeight() const { return min_h_; }
  void SetMinHeight(int v) { Set(min_h_, v); }
  int MaxWidth() const { return max_w_; }
  void SetMaxWidth(int v) { Set(max_w_, v); }
  int MaxHeight() const { return max_h_; }
  void SetMaxHeight(int v) { Set(max_h_, v); }
  // The size brought within the limits.
  void Apply(int& w, int& h) const;
  std::function<void()> OnChange;

 private:
  void Set(int& field, int v);
  int min_w_ = 0, min_h_ = 0, max_w_ = 0, max_h_ = 0;
};

using TNotifyEvent = Method<void(TObject*)>;
using TMouseEvent = Method<void(TObject*, TMouseButton, TShiftState, int, int)>;
using TMouseMoveEvent = Method<void(TObject*, TShiftState, int, int)>;
using TKeyEvent = Method<void(TObject*, uint16_t&, TShiftState)>;
using TKeyPressEvent = Method<void(TObject*, char32_t&)>;

class TControl : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TControl(TComponent* owner);

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  TForm* ParentForm() const;  // the top-level form, or null

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The client area: the window less its non-client frame (see TWinControl).
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientSize(int w, int h);
  void SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
  void SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }
  // Where the client origin lies in the window: the frame's left and top widths.
  TPoint ClientOffset() const { return {nc_.Left, nc_.Top}; }
  TSizeConstraints& Constraints() { return constraints_; }
  TSizeConstraints* ConstraintsObject() const { return const_cast<TSizeConstraints*>(&constraints_); }

  // Client coordinates to the form's surface and to the screen.
  TPoint ClientToForm(TPoint p) const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  TPoint ClientOrigin() const { return ClientToScreen({0, 0}); }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, with every parent visible, on a shown form.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  // Enabled with every parent enabled.
  bool EnabledInChain() const;

  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool v);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TFont* FontObject() const { return const_cast<TFont*>(&font_); }  // the published Font
  // Form data: a control read inside another one takes it as its parent.
  void SetParentComponent(TComponent* c) override;
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool v);

  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& v) { SetText(v); }
  const std::string& Text() const { return text_; }
  virtual void SetText(const std::string& v);

  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parent_show_hint_; }
  // Form data keeps ShowHint only when it is the control's own: reading it
  // clears ParentShowHint.
  bool IsShowHintStored() const { return !parent_show_hint_; }
  void SetParentShowHint(bool v);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v) { anchors_ = v; }
  bool AutoSize() const { return auto_size_; }
  virtual void SetAutoSize(bool v);

  uint32_t ControlStyle() const { return style_; }
  void SetControlStyle(uint32_t v) { style_ = v; }
  uint32_t ControlState() const { return control_state_; }

  bool MouseCapture() const;
  void SetMouseCapture(bool v);

  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& m);

  // Marks the control's area for repainting (on its parent for a windowless control).
  virtual void Invalidate();
  // Paints what is invalid now.
  void Update();
  void Repaint() {
    Invalidate();
    Update();
  }
  void BringToFront();
  void SendToBack();

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // The whole window, and its client area, in its form's surface coordinates.
  TRect FormRect() const;
  TRect ClientFormRect() const;

 protected:
  ~TControl() override;
  void BeforeDestruction() override;
  void Loaded() override;

  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y);
  virtual void MouseMove(TShiftState s, int x, int y);
  virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y);
  virtual void Resize();
  virtual bool CanAutoSize(int& w, int& h);
  void AdjustSize();
  // Parent's font or colour changed: take them when inheriting.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  virtual void FontChanged();
  void RequestAlign();
  bool UpdatingLoading() const { return IsLoadingInChain(); }

  TWinControl* parent_ = nullptr;
  uint32_t style_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  uint32_t control_state_ = 0;
  TRect nc_;  // widths of the non-client frame: left, top, right, bottom

 private:
  friend class TWinControl;
  friend class TForm;
  void MouseMessage(TMessage& m);

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true, enabled_ = true;
  TColor color_ = clWindow;
  bool parent_color_ = false;
  TFont font_;
  bool parent_font_ = true;
  std::string text_;
  std::string hint_;
  bool show_hint_ = false, parent_show_hint_ = true;
  TCursor cursor_ = crDefault;
  TAlign align_ = alNone;
  TAnchors anchors_ = akLeft | akTop;
  bool auto_size_ = false;
  bool font_from_parent_ = false;  // font change triggered by the parent
  TSizeConstraints constraints_;
};

class TWinControl : public TControl {
  TAVREL_CLASS_INFO
 public:
  explicit TWinControl(TComponent* owner);

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  bool ContainsControl(TControl* c) const;  // c is this or below it
  // The child at a client point, topmost first; windowed children only when asked.
  TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;
  void Broadcast(TMessage& m);  // to every child until one answers non-zero

  // The hidden window that carries posted messages and timers to WndProc.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != 0; }

  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool v);
  int TabOrder() const;
  void SetTabOrder(int v);
  // Children in tab order, each followed by its own descendants.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  virtual bool CanFocus() const;
  bool Focused() const;
  bool HasFocusedChild() const;  // the focused control is below this one
  virtual void SetFocus();

  virtual void AlignControls(TControl* changed, TRect& rect);
  virtual void AdjustClientRect(TRect& r) const { (void)r; }
  void Realign();
  void DisableAlign() { ++align_disabled_; }
  void EnableAlign();

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  void WndProc(TMessage& m) override;
  // The control's own processing of a message after the handler stages
  // (keys, characters, clipboard messages): what the platform's window
  // procedure of the control class does. Nothing here; controls add theirs.
  virtual void DefaultHandler(TMessage& m);

  // Asks the control for its frame again (WM_NCCALCSIZE) and repaints it whole.
  void FrameChanged();

  void Invalidate() override;
  // Marks part of the client area for repainting.
  void InvalidateRect(const TRect& r);
  // Marks part of the client area for repainting here and in every
  // windowed descendant under it: what is uncovered when a window above goes.
  void InvalidateRectDeep(const TRect& r);
  const TRect& UpdateRect() const { return update_; }
  bool FrameNeedsPaint() const { return nc_dirty_; }

  // Paints the control's own content (and its windowless children) into a
  // canvas whose origin is at the control's client origin: what WM_PAINT
  // with a canvas does.
  void PaintHandler(TCanvas& dc);

 protected:
  ~TWinControl() override;
  void BeforeDestruction() override;
  virtual void PaintWindow(TCanvas& dc);
  void PaintControls(TCanvas& dc);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(uint16_t& key, TShiftState s);
  virtual void KeyUp(uint16_t& key, TShiftState s);
  virtual void KeyPress(char32_t& key);

 private:
  friend class TControl;
  friend class TForm;
  void ClearUpdate() {
    update_ = {};
    nc_dirty_ = false;
  }
  void AnchorChildren(int oldW, int oldH);
  void CalcFrame();
  // Tab, Return and Escape the control does not ask for; true when used.
  bool DialogKey(uint16_t key, TShiftState s);

  std::vector<TControl*> controls_;  // z-order: last is topmost
  std::vector<TWinControl*> tab_list_;
  HWND handle_ = 0;
  bool tab_stop_ = false;
  int align_disabled_ = 0;
  TRect update_;
  bool nc_dirty_ = false;
};

// A windowless control: no handle, no focus, painted on its parent.
class TGraphicControl : public TControl {
  TAVREL_CLASS_INFO
 public:
  explicit TGraphicControl(TComponent* owner);
  TCanvas& Canvas();
  void WndProc(TMessage& m) override;

 protected:
  virtual void Paint() {}

 private:
  TCanvas canvas_;
  bool painting_ = false;
};

// A windowed control that paints itself on its own canvas.
class TCustomControl : public TWinControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomControl(TComponent* owner);
  TCanvas& Canvas();
  TNotifyEvent OnPaint;

 protected:
  void PaintWindow(TCanvas& dc) override;
  virtual void Paint();

 private:
  TCanvas canvas_;
  bool painting_ = false;
};

// Sets a flag for the length of a scope, exceptions included, and gives it
// back its old value: marks work a control does by its own hand.
class TFlagHold {
 public:
  explicit TFlagHold(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagHold() { flag_ = old_; }
  TFlagHold(const TFlagHold&) = delete;
  TFlagHold& operator=(const TFlagHold&) = delete;

 private:
  bool& flag_;
  bool old_;
};

// Binds a control's canvas to a painting canvas for the length of a paint,
// or to the form surface for drawing outside painting.
void AttachControlCanvas(TCanvas& canvas, TControl& control, TCanvas* dc);

// Paints the parent's background and its windowless controls into a
// control's painting canvas, shifted by the control's place: what shows
// through a control that draws no background of its own.
void PaintParentBackground(TControl& control, TCanvas& dc);

// A rectangle of the form's surface cut to what the control's parents show.
TRect VisibleFormRect(const TControl& control, TRect formRect);

// A canvas over the whole window of a control, frame included, with its
// origin at the window's top left: what the window's device context is to
// code that paints over the frame after the control painted itself.
// Drawing goes straight to the form's surface and is shown with the next paint.
class TWindowCanvas : public TCanvas {
 public:
  explicit TWindowCanvas(TWinControl& control);
};

}  // namespace tavrel
