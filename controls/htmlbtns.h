#pragma once
// THTMLCheckBox: a check box whose caption is markup (htmlbtnsMarkup.h),
// with its box in one of six styles, anchors in the caption, a transparent
// mode that shows the parent's painting under it, and a read-only mode.
//
//   auto* cb = TComponent::Create<THTMLCheckBox>(form);
//   cb->SetParent(panel);
//   cb->SetBounds(9, 174, 98, 20);
//   cb->SetButtonType(btWinXP);  cb->SetTransparent(true);
//   cb->SetCaption("Activer");
//   cb->SetChecked(true);                    // no OnClick: only the user's click,
//                                            // Space and the accelerator toggle
//   if (cb->Checked()) ...                   // safe from any thread
//
// Box styles: btClassic and btFlat (frame-control boxes 13 x 13), btBorland
// (12 x 12 drawn with lines), btKIV (pictures "HTMBCHK01".."04", 20 x 20),
// btWinXP (the theme's box 14 x 14 when a theme is active, else pictures
// "HTMBCHK05".."08", 16 x 16), btTheme (btWinXP where themed common
// controls are, else btClassic). The pictures are program resources
// (platform/ui/resources.h), registered by the controls' module start-up.
//
// Anchors: once the box has the focus, a press on an anchor of the caption
// opens it or raises OnAnchorClick, and neither toggles the box nor raises
// OnClick. Addresses go to the URL opener, which takes only http, https
// and mailto addresses; a press on any other anchor raises OnAnchorClick.
#include <atomic>
#include <functional>
#include <string>

#include "controls/PictureContainer.h"
#include "controls/htmlbtnsMarkup.h"
#include "platform/ui/controls.h"
#include "platform/ui/imagelist.h"
#include "platform/ui/stdctrls.h"

namespace tavrel {

enum TButtonType { btClassic, btBorland, btFlat, btKIV, btWinXP, btTheme };
const EnumInfo& ButtonTypeInfo();
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
const EnumInfo& CheckBoxStateInfo();

using TAnchorClick = Method<void(TObject*, const std::string&)>;
// Opens an address; false when it was refused or nothing took it.
using TURLOpener = std::function<bool(const std::string&)>;

// http://, https:// and mailto: addresses (scheme in any case).
bool IsOpenableURL(const std::string& url);
// The default opener: openable addresses go to the application's backend
// (the desktop on real windows, a record offscreen); others are refused.
bool OpenURLSafely(const std::string& url);

// The box pictures, 1..8 for the resources "HTMBCHK01".."HTMBCHK08": 1-4
// are 20 x 20 (checked, unchecked, checked disabled, unchecked disabled),
// 5-8 the same at 16 x 16. Their bottom-left pixel is the transparent
// colour. Empty when the program's resources lack them.
TBitmap CheckBoxPicture(int number);

// The common-controls library draws themed boxes: version 5.1 or later
// with a theme active and common controls above version 5.
bool IsThemedComCtl();

class TCustomHTMLCheckBox : public TCustomControl {
  TAVREL_CLASS_INFO
 public:
  explicit TCustomHTMLCheckBox(TComponent* owner);
  ~TCustomHTMLCheckBox() override;

  virtual uint32_t VersionNumber() const { return 0x01050400; }
  std::string Version() const;
  void SetVersion(const std::string&) {}

  // Unchecked -> checked -> unchecked; grayed -> checked. Nothing when read-only.
  virtual void Toggle();

  TCheckBoxState State() const { return state_.load(std::memory_order_acquire); }
  // Repaints only the box column; raises nothing.
  void SetState(TCheckBoxState v);
  TButtonType ButtonType() const { return button_type_; }
  void SetButtonType(TButtonType v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);  // taLeftJustify or taRightJustify
  TTextLayout ButtonVertAlign() const { return btn_valign_; }
  void SetButtonVertAlign(TTextLayout v);
  bool Ellipsis() const { return ellipsis_; }
  void SetEllipsis(bool v);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool v) { read_only_ = v; }
  bool ReturnIsTab() const { return return_is_tab_; }
  void SetReturnIsTab(bool v) { return_is_tab_ = v; }
  bool Down() const { return down_; }
  void SetDown(bool v) { down_ = v; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  TColor CheckColor() const { return check_color_; }
  void SetCheckColor(TColor v);
  TColor URLColor() const { return url_color_; }
  void SetURLColor(TColor v);
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor v);
  int ShadowOffset() const { return shadow_offset_; }
  void SetShadowOffset(int v);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  TPictureContainer* PictureContainer() const { return container_; }
  void SetPictureContainer(TPictureContainer* v);
  THTMLPictureCache& ImageCache() { return image_cache_; }

  // The anchor of the caption under a client point, or "".
  std::string AnchorAtPoint(int x, int y);
  // The caption's place and laid-out size at the last paint.
  const TRect& CaptionRect() const { return caption_rect_; }
  TSize CaptionExtent() const { return caption_extent_; }
  // Where the box is drawn, by the style in effect now.
  TRect BoxRect();
  // btTheme resolved, and whether the theme draws the box.
  TButtonType EffectiveButtonType();
  bool Themed();

  void SetURLOpener(TURLOpener v) { url_opener_ = std::move(v); }
  void SetBounds(int left, int top, int width, int height) override;

  TAnchorClick OnAnchorClick, OnAnchorEnter, OnAnchorExit;

 protected:
  void Paint() override;
  void WndProc(TMessage& m) override;
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseUp(TMouseButton b, TShiftState s, int x, int y) override;
  void MouseMove(TShiftState s, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState s) override;
  void KeyUp(uint16_t& key, TShiftState s) override;
  void Loaded() override;
  void Notification(TComponent* c, TOperation op) override;

 private:
  void InvalidateBox();
  void PaintBox(TCanvas& c, TButtonType style, bool themed);
  void PaintBorlandBox(TCanvas& c, int x, int y);
  TRect CaptionLayout(TButtonType style, bool themed) const;
  TMarkupParams CaptionParams();

  std::atomic<TCheckBoxState> state_{cbUnchecked};
  bool down_ = false;
  bool focused_ = false;
  TColor check_color_ = clBlack;
  TButtonType button_type_ = btClassic;
  bool return_is_tab_ = false;
  TImageList* images_ = nullptr;
  std::string anchor_;
  TColor url_color_ = clBlue;
  THTMLPictureCache image_cache_;
  TTextLayout btn_valign_ = tlTop;
  TAlignment alignment_ = taLeftJustify;
  bool ellipsis_ = false;
  TPictureContainer* container_ = nullptr;
  int shadow_offset_ = 1;
  TColor shadow_color_ = clGray;
  bool is_win_xp_;
  bool hot_ = false;
  TCursor old_cursor_ = crDefault;
  bool read_only_ = false;
  bool mouse_down_ = false;
  TBitmap bkg_bmp_;
  bool bkg_cache_ = false;
  bool transparent_caching_ = false;
  bool transparent_ = false;
  TRect caption_rect_;
  TSize caption_extent_;
  TURLOpener url_opener_ = OpenURLSafely;
};

class THTMLCheckBox : public TCustomHTMLCheckBox {
  TAVREL_CLASS_INFO
 public:
  explicit THTMLCheckBox(TComponent* owner) : TCustomHTMLCheckBox(owner) { SetCaption(ClassName()); }
  bool Checked() const { return State() == cbChecked; }
  // Invalidates the whole control, even when the state stays.
  void SetChecked(bool v);
};

}  // namespace tavrel
