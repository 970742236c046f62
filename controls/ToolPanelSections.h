#pragma once
// Sections of a tool panel: bands below its caption bar, each a caption
// strip (gradient, optional expand/collapse box and picture, text) over a
// body listing text items. An item "-" is a separator line. A section
// marked Node collapses to its strip; the panel's child controls inside it
// are hidden and those below move up. TSectionLayout holds the colours and
// metrics every section of a panel shares.
//
//   auto* s = panel->Sections()->Add();
//   s->SetCaption("Fichiers");
//   s->SectionItems()->Add()->SetCaption("Ouvrir");
//   s->SetNode(true);
//   s->SetAutosize(true);          // caption + items + spacing + 6 high
//   s->SetExpanded(false);         // only the strip and the spacing remain
//
// Geometry and painting are the panel's (ToolPanels.h); these classes hold
// the data and report changes to the panel.
#include <memory>
#include <string>
#include <vector>

#include "platform/collection.h"
#include "platform/ui/controls.h"
#include "platform/ui/gradient.h"

namespace tavrel {

class TAdvToolPanel;
class TAdvToolPanelSection;

enum TSectionCorners { scRectangle, scRoundLeft, scRoundRight, scRoundLeftRight };

// Names of TGradientDirection values in form data.
const EnumInfo& GradientDirectionInfo();

// Every setter stores and fires OnChange, equal value or not.
class TSectionLayout : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  TColor CaptionColor() const { return caption_color_; }
  void SetCaptionColor(TColor v) { Set(caption_color_, v); }
  TColor CaptionColorTo() const { return caption_color_to_; }
  void SetCaptionColorTo(TColor v) { Set(caption_color_to_, v); }
  TColor BackGroundColor() const { return background_color_; }
  void SetBackGroundColor(TColor v) { Set(background_color_, v); }
  TColor BackGroundColorTo() const { return background_color_to_; }
  void SetBackGroundColorTo(TColor v) { Set(background_color_to_, v); }
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor v) { Set(border_color_, v); }
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int v) { Set(border_width_, v); }
  TGradientDirection BackGroundGradientDir() const { return background_gradient_dir_; }
  void SetBackGroundGradientDir(TGradientDirection v) { Set(background_gradient_dir_, v); }
  TGradientDirection CaptionGradientDir() const { return caption_gradient_dir_; }
  void SetCaptionGradientDir(TGradientDirection v) { Set(caption_gradient_dir_, v); }
  TColor ItemFontColor() const { return item_font_color_; }
  void SetItemFontColor(TColor v) { Set(item_font_color_, v); }
  bool UnderLineCaption() const { return underline_caption_; }
  void SetUnderLineCaption(bool v) { Set(underline_caption_, v); }
  TColor ItemHoverTextColor() const { return item_hover_text_color_; }
  void SetItemHoverTextColor(TColor v) { Set(item_hover_text_color_, v); }
  bool ItemHoverUnderline() const { return item_hover_underline_; }
  void SetItemHoverUnderline(bool v) { Set(item_hover_underline_, v); }
  TColor CaptionFontColor() const { return caption_font_color_; }
  void SetCaptionFontColor(TColor v) { Set(caption_font_color_, v); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int v) { Set(spacing_, v); }
  int Indent() const { return indent_; }
  void SetIndent(int v) { Set(indent_, v); }
  // Stored only; nothing draws differently for it.
  bool CaptionRounded() const { return caption_rounded_; }
  void SetCaptionRounded(bool v) { Set(caption_rounded_, v); }
  TSectionCorners Corners() const { return corners_; }
  void SetCorners(TSectionCorners v) { Set(corners_, v); }

  TNotifyEvent OnChange;

 private:
  template <class T>
  void Set(T& field, T v) {
    field = v;
    if (OnChange) OnChange(this);
  }
  TColor caption_color_ = RGB(198, 222, 247), caption_color_to_ = RGB(99, 140, 214);
  TColor background_color_ = RGB(222, 239, 247), background_color_to_ = RGB(189, 214, 247);
  TColor border_color_ = RGB(255, 255, 255);
  int border_width_ = 1;
  TGradientDirection background_gradient_dir_ = gdVertical;
  TGradientDirection caption_gradient_dir_ = gdHorizontal;
  TColor item_font_color_ = RGB(0, 57, 181);
  bool underline_caption_ = false;
  TColor item_hover_text_color_ = RGB(0, 57, 181);
  bool item_hover_underline_ = true;
  TColor caption_font_color_ = RGB(0, 41, 132);
  int spacing_ = 4;
  int indent_ = 4;
  bool caption_rounded_ = false;
  TSectionCorners corners_ = scRectangle;
};

class TSectionItems;

class TSectionItem : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TSectionItem(TCollection* collection);

  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int v);  // measures an autosized section again
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int Tag() const { return tag_; }
  void SetTag(int v) { tag_ = v; }
  // For the user; not stored.
  TObject* Object() const { return object_; }
  void SetObject(TObject* v) { object_ = v; }

  bool IsSeparator() const { return caption_ == "-"; }
  // Copies another item's values; other sources are ignored.
  void Assign(TPersistent* source) override;
  std::string GetDisplayName() const override;  // "Item 0: Ouvrir"

 private:
  TSectionItems& Items() const;
  int image_index_ = -1;
  std::string caption_ = "Untitled";
  std::string hint_;
  bool enabled_ = true;
  int tag_ = 0;
  TObject* object_ = nullptr;
};

// The items of one section; adding or deleting one tells the section
// (an autosized section grows or shrinks) and repaints the panel.
class TSectionItems : public TCollection {
  TAVREL_CLASS_INFO
 public:
  TSectionItems(TAdvToolPanel* panel, TAdvToolPanelSection* section);
  TSectionItem* Add() { return static_cast<TSectionItem*>(TCollection::Add()); }
  TSectionItem* Insert(int i) { return static_cast<TSectionItem*>(TCollection::Insert(i)); }
  TSectionItem* Items(int i) const { return static_cast<TSectionItem*>(TCollection::Items(i)); }
  TAdvToolPanel* Panel() const { return panel_; }
  TAdvToolPanelSection* Section() const { return section_; }

 protected:
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TAdvToolPanel* panel_;
  TAdvToolPanelSection* section_;
};

class TAdvToolPanelSection : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvToolPanelSection(TCollection* collection);
  ~TAdvToolPanelSection() override;

  // Full height of the band, caption strip included. Ignored from outside
  // while Autosize is on, except from form data; the controls below move
  // with the change.
  int Height() const { return height_; }
  void SetHeight(int v);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TSectionItems* SectionItems() const { return items_.get(); }
  int CaptionImageIndex() const { return caption_image_index_; }
  void SetCaptionImageIndex(int v);
  bool Node() const { return node_; }
  void SetNode(bool v);
  // Only a Node collapses: its body and the controls in it are hidden, the
  // controls below move up; expanding puts everything back.
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool v);
  bool Draw() const { return draw_; }
  void SetDraw(bool v);
  // Height follows the items: caption + count × item height + Spacing + 6.
  // A value read from form data is measured once the panel has loaded.
  bool Autosize() const { return autosize_; }
  void SetAutosize(bool v);

  int ActHeight() const { return act_height_; }             // the expanded height
  int SectionItemHeight() const { return item_height_; }    // as Autosize measured it
  // Child controls of the panel this section hid when it collapsed.
  const std::vector<TControl*>& ControlList() const { return control_list_; }

  TAdvToolPanel* Panel() const;
  void Assign(TPersistent* source) override;  // everything but Expanded
  std::string GetDisplayName() const override;  // "Section 0: Untitled"

 private:
  friend class TAdvToolPanel;
  friend class TSectionItems;
  friend class TSectionItem;
  void Changed();
  void ItemAdded();
  void ItemDeleted();
  void SetOwnHeight(int v);
  template <class T>
  void Store(T& field, const T& v);

  int height_ = 48;
  int act_height_ = 48;
  std::string caption_ = "Untitled";
  std::unique_ptr<TSectionItems> items_;
  int caption_image_index_ = -1;
  bool node_ = false;
  bool expanded_ = true;
  bool draw_ = true;
  bool autosize_ = false;
  int item_height_ = 0;
  bool internal_call_ = false;
  std::vector<TControl*> control_list_;
};

class TAdvToolPanelSections : public TCollection {
  TAVREL_CLASS_INFO
 public:
  explicit TAdvToolPanelSections(TAdvToolPanel* panel);
  TAdvToolPanelSection* Add() { return static_cast<TAdvToolPanelSection*>(TCollection::Add()); }
  TAdvToolPanelSection* Insert(int i) {
    return static_cast<TAdvToolPanelSection*>(TCollection::Insert(i));
  }
  TAdvToolPanelSection* Items(int i) const {
    return static_cast<TAdvToolPanelSection*>(TCollection::Items(i));
  }
  TAdvToolPanel* Panel() const { return panel_; }

 protected:
  void Notify(TCollectionItem* item, TCollectionNotification action) override;

 private:
  TAdvToolPanel* panel_;
};

}  // namespace tavrel
