#pragma once
// TEdit: a one-line text box with a caret and a selection.
//
//   auto* e = TComponent::Create<TEdit>(form);
//   e->SetParent(form);
//   e->SetText("512");                  // OnChange, as every change of the text
//   e->SetSelStart(1);  e->SetSelLength(2);   // "12" selected
//   e->OnKeyPress = TKeyPressEvent([](TObject*, char32_t& c) { if (c == U'+') c = 0; });
//
// Positions (SelStart, SelLength, the caret) count characters; MaxLength
// counts UTF-16 units, as the platform's limit does (0: no limit).
//
// Input runs through the control's stages (controls.h): a key first reaches
// KeyDown and OnKeyDown, which may change or swallow it; then the edit's
// own keys: Left and Right (Ctrl: by words), Home, End, Shift with any of
// them to extend the selection, Delete, Ctrl+A, and the clipboard keys
// Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+Insert, Shift+Delete and Shift+Insert,
// which send WM_COPY, WM_CUT and WM_PASTE to the edit itself, so a subclass
// that does not pass them on refuses them. A character first reaches
// KeyPress and OnKeyPress, which may change or swallow it; then it replaces
// the selection (Backspace deletes it, or the character before the caret).
// A refused input (typing into ReadOnly text, or past MaxLength) beeps.
//
// The mouse places the caret, Shift+click extends the selection, a drag
// selects, a double click selects the word under the pointer. Keyboard
// focus selects all the text when AutoSelect is on (not when a click brings
// it). The caret blinks on a timer of the edit's window while it has the
// focus; the selection shows only then.
//
// The text is drawn, and caret positions measured, with the canvas's own
// text measurement, so they agree to the pixel. It is drawn from the top
// left of the text rectangle (EM_GETRECT / EM_SETRECTNP; by default the
// client area less one pixel on every side), left, right or centre
// aligned, and scrolled sideways to keep the caret inside it. BorderStyle
// bsSingle draws a sunken edge in the non-client frame (Ctl3D) or a plain
// line; bsNone no border.
#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/edges.h"

namespace tavrel {

inline constexpr UINT EM_GETSEL = 0x00B0;     // result: start | end << 16
inline constexpr UINT EM_SETSEL = 0x00B1;     // wParam: anchor, lParam: caret; anchor -1: none
inline constexpr UINT EM_GETRECT = 0x00B2;    // lParam: TRect* receiving the text rectangle
inline constexpr UINT EM_SETRECT = 0x00B3;    // lParam: const TRect* (null: the default); repaints
inline constexpr UINT EM_SETRECTNP = 0x00B4;  // the same without repainting
inline constexpr UINT EM_GETMODIFY = 0x00B8;
inline constexpr UINT EM_SETMODIFY = 0x00B9;   // wParam: the flag
inline constexpr UINT EM_LIMITTEXT = 0x00C5;   // wParam: UTF-16 units, 0: no limit
inline constexpr UINT EM_SETREADONLY = 0x00CF;  // wParam: the flag
inline constexpr UINT EM_GETLIMITTEXT = 0x00D5;
// CN_COMMAND notification (high word of wParam): the text changed.
inline constexpr WPARAM EN_CHANGE = 0x0300;

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomEdit(TComponent* owner);

  // Replaces the text: the caret goes to 0 with nothing selected, Modified
  // clears, OnChange follows (when the text differs).
  void SetText(const std::string& v) override;
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int v) { max_length_ = std::max(v, 0); }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v);
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool v) { auto_select_ = v; }
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle v);
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v);

  // Selection: SelStart is its first character, the caret sits at one of
  // its ends (where Shift+arrows move it).
  int SelStart() const { return std::min(anchor_, caret_); }
  void SetSelStart(int v);  // caret there, nothing selected
  int SelLength() const { return std::abs(caret_ - anchor_); }
  void SetSelLength(int v);  // from SelStart; the caret at the far end
  std::string SelText() const;
  void SetSelText(const std::string& v);  // replaces the selection (OnChange)
  int CaretPos() const { return caret_; }
  void SelectAll();
  void ClearSelection();  // deletes the selected text
  void CopyToClipboard() { Perform(WM_COPY); }
  void CutToClipboard() { Perform(WM_CUT); }
  void PasteFromClipboard() { Perform(WM_PASTE); }

  // The text rectangle in client coordinates.
  TRect TextRect() const;
  void SetTextRect(const TRect& r);  // EM_SETRECTNP; repaints
  void ResetTextRect();              // back to the default
  // Client x of the boundary before character `index`, and the character
  // boundary nearest to a client x.
  int PosFromChar(int index) const;
  int CharFromPos(int x) const;
  // The caret is drawn now (focused, in the visible phase of its blinking).
  bool CaretShowing() const;

  TNotifyEvent OnChange;
  void WndProc(TMessage& m) override;
  void DefaultHandler(TMessage& m) override;

 protected:
  virtual void Change();
  // Whether the edit shows the focus (caret, selection). A field inside
  // another control shows it while that control holds the focus.
  virtual bool ShowsFocus() const { return Focused(); }
  // A click's focus: the edit itself, or the control the field belongs to.
  virtual void TakeFocus();
  void DoEnter() override;
  // Paint is PaintBackground (the control's colour; a subclass may show
  // its parent instead) then PaintContent (text, selection, caret).
  void Paint() override;
  virtual void PaintBackground(TCanvas& c);
  void PaintContent(TCanvas& c);
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  // Replaces the selection by what the user typed or pasted, within
  // MaxLength (beeps when text is cut or refused); true when something changed.
  bool InsertText(std::string s);

 private:
  void EditKey(uint16_t key, TShiftState s);
  void EditChar(char32_t ch);
  // The user's change of the text, with the caret at `caret` afterwards.
  void ReplaceText(const std::string& text, int caret);
  void DeleteRange(int from, int to);
  void MoveCaret(int to, bool extend);
  void SetSelection(int anchor, int caret);
  void SelectWordAt(int x);
  int Length() const { return static_cast<int>(bounds_.size()) - 1; }
  void MeasureText();
  void ScrollToCaret();
  int TextOrigin() const;  // client x of the text's first boundary
  void RestartCaret();
  std::string Cased(const std::string& s) const;

  int anchor_ = 0, caret_ = 0;
  int scroll_ = 0;  // pixels of text scrolled out at the left
  std::vector<int> bounds_{0};  // width of each prefix: bounds_[i] before character i
  TRect text_rect_;
  bool custom_rect_ = false;
  bool caret_on_ = false;
  bool dragging_ = false;
  bool editing_ = false;  // the text changes by the user's hand
  bool modified_ = false;
  bool read_only_ = false;
  bool auto_select_ = true;
  int max_length_ = 0;
  TEditCharCase char_case_ = ecNormal;
  TAlignment alignment_ = taLeftJustify;
  TBorderStyle border_style_ = bsSingle;
  bool ctl3d_ = true;
};

class TEdit : public TCustomEdit {
  TAVREL_CLASS_INFO
 public:
  using TCustomEdit::TCustomEdit;
};

}  // namespace tavrel
