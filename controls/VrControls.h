#pragma once
// Windowless controls that paint through an off-screen image:
// TVrGraphicControl (update nesting, repaint requests that wait for loading
// and updates, the auto-size rule, enter/leave/font/text notifications) and
// TVrGraphicImageControl (the image, filled with Color or, when
// transparent, started from what the parent has already painted below).
//
//   label->BeginUpdate();
//   label->SetAngle(90);  label->SetStyle(lsNone);   // no paint yet
//   label->EndUpdate();                              // one repaint
//
// Transparency: a windowless control is painted on its parent's surface
// after the parent, so the image starts as a copy of those finished
// pixels; nothing is kept from one paint to the next.
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/graphics.h"

namespace tavrel {

// The index of the hand cursor "VRCURSORHANDPOINT" in the program's
// cursor table (TScreen::Cursors), set by the controls' start-up.
inline constexpr TCursor crVrHandPoint = 99;

class TVrGraphicControl : public TGraphicControl {
  TAVREL_CLASS_INFO
 public:
  explicit TVrGraphicControl(TComponent* owner);

  // A plain text, "1.4.5" from creation; writable, never stored.
  const std::string& Version() const { return version_; }
  void SetVersion(const std::string& v) { version_ = v; }

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();  // repaints once the count is back to 0

  bool IsDesigning() const { return HasState(csDesigning); }
  bool IsLoading() const { return IsLoadingInChain(); }

  void WndProc(TMessage& m) override;

 protected:
  // Repaints unless loading or inside BeginUpdate/EndUpdate.
  virtual void RequestRepaint();
  // With AutoSize and an edge or no alignment: lets the auto-size rule
  // resize the control (unless loading) and repaints when the size stayed.
  virtual void AdjustAutoSize();
  // The same without the AutoSize and alignment test; nothing while loading.
  virtual void ForceAdjustBounds();
  virtual void DoMouseEnter();
  virtual void DoMouseLeave();
  virtual void DoFontChanged();
  virtual void DoTextChanged();

  TNotifyEvent OnMouseEnter, OnMouseLeave, OnFontChanged, OnTextChanged;

 private:
  std::string version_ = "1.4.5";
  int update_count_ = 0;
};

class TVrGraphicImageControl : public TVrGraphicControl {
  TAVREL_CLASS_INFO
 public:
  explicit TVrGraphicImageControl(TComponent* owner);

  // The off-screen image every paint draws into; the control's size while painting.
  TCanvas& ImageCanvas() { return image_.Canvas(); }
  void WndProc(TMessage& m) override;

 protected:
  // Fills the image with Color, or copies the parent's pixels below the
  // control into it when transparent.
  virtual void PrepareBackground();
  // Copies the image onto the control.
  void Paint() override;

  bool transparent_ = false;

 private:
  TBitmap image_;
};

}  // namespace tavrel
