#include "controls/ToolPanelSections.h"

#include <algorithm>

#include "controls/ToolPanels.h"

namespace tavrel {

const EnumInfo& GradientDirectionInfo() {
  static const EnumInfo info{"TGradientDirection", {"gdHorizontal", "gdVertical"}};
  return info;
}

namespace {
const EnumInfo kCornersInfo{"TSectionCorners",
                            {"scRectangle", "scRoundLeft", "scRoundRight", "scRoundLeftRight"}};

bool Holds(const std::vector<TControl*>& list, const TControl* c) {
  return std::find(list.begin(), list.end(), c) != list.end();
}
}  // namespace

// ---- TSectionLayout ---------------------------------------------------------

const ClassInfo& TSectionLayout::Class() {
  using L = TSectionLayout;
  static const ClassInfo ci =
      ClassBuilder<L>("TSectionLayout", TPersistent::Class())
          .prop("CaptionColor", &L::CaptionColor, &L::SetCaptionColor)
          .typeName("TColor")
          .prop("CaptionColorTo", &L::CaptionColorTo, &L::SetCaptionColorTo)
          .typeName("TColor")
          .prop("BackGroundColor", &L::BackGroundColor, &L::SetBackGroundColor)
          .typeName("TColor")
          .prop("BackGroundColorTo", &L::BackGroundColorTo, &L::SetBackGroundColorTo)
          .typeName("TColor")
          .prop("BorderColor", &L::BorderColor, &L::SetBorderColor)
          .typeName("TColor")
          .prop("BorderWidth", &L::BorderWidth, &L::SetBorderWidth)
          .prop("BackGroundGradientDir", &L::BackGroundGradientDir, &L::SetBackGroundGradientDir)
          .enumType(GradientDirectionInfo())
          .defaultValue(int64_t{gdHorizontal})
          .prop("CaptionGradientDir", &L::CaptionGradientDir, &L::SetCaptionGradientDir)
          .enumType(GradientDirectionInfo())
          .defaultValue(int64_t{gdHorizontal})
          .prop("ItemFontColor", &L::ItemFontColor, &L::SetItemFontColor)
          .typeName("TColor")
          .prop("UnderLineCaption", &L::UnderLineCaption, &L::SetUnderLineCaption)
          .prop("ItemHoverTextColor", &L::ItemHoverTextColor, &L::SetItemHoverTextColor)
          .typeName("TColor")
          .prop("ItemHoverUnderline", &L::ItemHoverUnderline, &L::SetItemHoverUnderline)
          .prop("CaptionFontColor", &L::CaptionFontColor, &L::SetCaptionFontColor)
          .typeName("TColor")
          .prop("Spacing", &L::Spacing, &L::SetSpacing)
          .prop("Indent", &L::Indent, &L::SetIndent)
          .prop("CaptionRounded", &L::CaptionRounded, &L::SetCaptionRounded)
          .prop("Corners", &L::Corners, &L::SetCorners)
          .enumType(kCornersInfo)
          .build();
  return ci;
}

// ---- items ------------------------------------------------------------------

const ClassInfo& TSectionItem::Class() {
  using I = TSectionItem;
  static const ClassInfo ci = ClassBuilder<I>("TSectionItem", TCollectionItem::Class())
                                  .prop("ImageIndex", &I::ImageIndex, &I::SetImageIndex)
                                  .prop("Caption", &I::Caption, &I::SetCaption)
                                  .prop("Hint", &I::Hint, &I::SetHint)
                                  .prop("Enabled", &I::Enabled, &I::SetEnabled)
                                  .prop("Tag", &I::Tag, &I::SetTag)
                                  .build();
  return ci;
}

TSectionItem::TSectionItem(TCollection* c) : TCollectionItem(c) {}

TSectionItems& TSectionItem::Items() const { return *static_cast<TSectionItems*>(Collection()); }

void TSectionItem::SetImageIndex(int v) {
  if (v == image_index_) return;
  image_index_ = v;
  TAdvToolPanelSection* s = Items().Section();
  s->SetAutosize(s->Autosize());  // a picture may change the item height
  s->Changed();
}

void TSectionItem::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Items().Section()->Changed();
}

void TSectionItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Items().Section()->Changed();
}

void TSectionItem::Assign(TPersistent* source) {
  auto* o = dynamic_cast<TSectionItem*>(source);
  if (!o) return;
  object_ = o->object_;
  SetCaption(o->caption_);
  SetEnabled(o->enabled_);
  hint_ = o->hint_;
  SetImageIndex(o->image_index_);
  tag_ = o->tag_;
}

std::string TSectionItem::GetDisplayName() const {
  return "Item " + std::to_string(Index()) + ": " + caption_;
}

const ClassInfo& TSectionItems::Class() {
  static const ClassInfo ci = ClassBuilder<TSectionItems>("TSectionItems", TCollection::Class()).build();
  return ci;
}

TSectionItems::TSectionItems(TAdvToolPanel* panel, TAdvToolPanelSection* section)
    : TCollection(ItemClassOf<TSectionItem>(), panel), panel_(panel), section_(section) {}

void TSectionItems::Notify(TCollectionItem* item, TCollectionNotification action) {
  TCollection::Notify(item, action);
  if (action == TCollectionNotification::cnAdded) section_->ItemAdded();
  else if (action == TCollectionNotification::cnDeleting) section_->ItemDeleted();
  section_->Changed();
}

// ---- sections ---------------------------------------------------------------

const ClassInfo& TAdvToolPanelSection::Class() {
  using S = TAdvToolPanelSection;
  static const ClassInfo ci = ClassBuilder<S>("TAdvToolPanelSection", TCollectionItem::Class())
                                  .prop("Autosize", &S::Autosize, &S::SetAutosize)
                                  .prop("Caption", &S::Caption, &S::SetCaption)
                                  .prop("Draw", &S::Draw, &S::SetDraw)
                                  .prop("SectionItems", &S::SectionItems)
                                  .prop("Height", &S::Height, &S::SetHeight)
                                  .prop("Node", &S::Node, &S::SetNode)
                                  .defaultValue(false)
                                  .prop("CaptionImageIndex", &S::CaptionImageIndex,
                                        &S::SetCaptionImageIndex)
                                  .build();
  return ci;
}

TAdvToolPanelSection::TAdvToolPanelSection(TCollection* c) : TCollectionItem(c) {
  items_ = std::make_unique<TSectionItems>(Panel(), this);
}

TAdvToolPanelSection::~TAdvToolPanelSection() {
  items_.reset();
  Changed();
}

TAdvToolPanel* TAdvToolPanelSection::Panel() const {
  auto* sections = dynamic_cast<TAdvToolPanelSections*>(Collection());
  return sections ? sections->Panel() : nullptr;
}

void TAdvToolPanelSection::Changed() {
  if (TAdvToolPanel* p = Panel(); p && !p->HasState(csDestroying)) p->Invalidate();
}

template <class T>
void TAdvToolPanelSection::Store(T& field, const T& v) {
  if (field == v) return;
  field = v;
  Changed();
}

void TAdvToolPanelSection::SetCaption(const std::string& v) { Store(caption_, v); }
void TAdvToolPanelSection::SetCaptionImageIndex(int v) { Store(caption_image_index_, v); }
void TAdvToolPanelSection::SetNode(bool v) { Store(node_, v); }
void TAdvToolPanelSection::SetDraw(bool v) { Store(draw_, v); }

void TAdvToolPanelSection::SetHeight(int v) {
  // Form data keeps the height the controls below were placed against; an
  // autosized section measures again once the panel has loaded.
  TAdvToolPanel* p = Panel();
  const bool loading = p && p->IsLoadingInChain();
  if (v == height_ || (autosize_ && !internal_call_ && !loading)) return;
  if (p) p->ShiftControlsBelowSection(Index(), v - height_);
  height_ = v;
  Changed();
}

void TAdvToolPanelSection::SetOwnHeight(int v) {
  internal_call_ = true;
  SetHeight(v);
  internal_call_ = false;
}

void TAdvToolPanelSection::SetExpanded(bool v) {
  TAdvToolPanel* p = Panel();
  if (v == expanded_ || !node_ || !p) return;
  expanded_ = v;
  if (v) {
    const int old = height_;
    height_ = act_height_;
    p->LayoutSectionChildren(Index(), act_height_ - old);
  } else {
    // Laid out at the full height, so the controls inside are found.
    act_height_ = height_;
    const int collapsed = p->SectionCaptionHeight() + p->SectionLayout()->Spacing();
    p->LayoutSectionChildren(Index(), collapsed - act_height_);
    height_ = collapsed;
  }
  Changed();
}

void TAdvToolPanelSection::SetAutosize(bool v) {
  autosize_ = v;
  TAdvToolPanel* p = Panel();
  // While the panel loads, the value waits for the panel's Loaded.
  if (v && p && !p->IsLoadingInChain()) {
    int h = p->ItemTextHeight();
    TImageList* images = p->SectionImages();
    bool pictures = false;
    for (int i = 0; i < items_->Count(); ++i) pictures |= items_->Items(i)->ImageIndex() >= 0;
    if (images && pictures) h = std::max(h, images->Height() + 2);
    item_height_ = h;
    SetOwnHeight(p->SectionCaptionHeight() + items_->Count() * h + p->SectionLayout()->Spacing() + 6);
  }
  Changed();
}

void TAdvToolPanelSection::ItemAdded() {
  if (autosize_) SetOwnHeight(height_ + item_height_);
}

void TAdvToolPanelSection::ItemDeleted() {
  if (autosize_ && height_ - item_height_ > 24) SetOwnHeight(height_ - item_height_);
}

void TAdvToolPanelSection::Assign(TPersistent* source) {
  auto* o = dynamic_cast<TAdvToolPanelSection*>(source);
  if (!o) return;
  SetAutosize(o->autosize_);
  SetCaption(o->caption_);
  SetCaptionImageIndex(o->caption_image_index_);
  SetDraw(o->draw_);
  SetHeight(o->height_);
  SetNode(o->node_);
  items_->Assign(o->items_.get());
}

std::string TAdvToolPanelSection::GetDisplayName() const {
  return "Section " + std::to_string(Index()) + ": " + caption_;
}

const ClassInfo& TAdvToolPanelSections::Class() {
  static const ClassInfo ci =
      ClassBuilder<TAdvToolPanelSections>("TAdvToolPanelSections", TCollection::Class()).build();
  return ci;
}

TAdvToolPanelSections::TAdvToolPanelSections(TAdvToolPanel* panel)
    : TCollection(ItemClassOf<TAdvToolPanelSection>(), panel), panel_(panel) {}

void TAdvToolPanelSections::Notify(TCollectionItem* item, TCollectionNotification action) {
  TCollection::Notify(item, action);
  if (!panel_->HasState(csDestroying)) panel_->Invalidate();
}

// ---- the panel's section geometry --------------------------------------------

int TAdvToolPanel::ItemTextHeight() const {
  TCanvas measure;
  measure.Font().Assign(Font());
  return measure.TextHeight("gh");
}

int TAdvToolPanel::SectionCaptionHeight() const {
  if (!section_images_ || section_images_->Height() + 2 <= 16) return 16;
  for (int i = 0; i < sections_->Count(); ++i)
    if (sections_->Items(i)->CaptionImageIndex() >= 0) return section_images_->Height() + 2;
  return 16;
}

int TAdvToolPanel::SectionTop(int index) const {
  int y = floating_ || !show_caption_ ? 1 : ToolPanelCaptionHeight;
  for (int i = 0; i < index && i < sections_->Count(); ++i) y += sections_->Items(i)->Height();
  return y;
}

TRect TAdvToolPanel::SectionBounds(int index) const {
  if (index < 0 || index >= sections_->Count()) return {-1, -1, -1, -1};
  const int top = SectionTop(index);
  return Rect(section_layout_->Indent() + 1, top, ClientWidth() - 1,
              top + sections_->Items(index)->Height());
}

TRect TAdvToolPanel::SectionNodeRect(int index) const {
  // Any index from the count up is out of range, the count included.
  if (index < 0 || index >= sections_->Count() || !sections_->Items(index)->Node())
    return {-1, -1, -1, -1};
  const int top = SectionTop(index), m = (SectionCaptionHeight() - 8) / 2;
  const int indent = section_layout_->Indent();
  return Rect(indent + 4, top + m, indent + 13, top + m + 9);
}

bool TAdvToolPanel::SectionItemAt(int x, int y, int& itemIndex, int& sectionIndex,
                                  TRect& itemRect) const {
  itemIndex = sectionIndex = -1;
  itemRect = {-1, -1, -1, -1};
  const int indent = section_layout_->Indent(), capH = SectionCaptionHeight();
  TCanvas measure;
  measure.Font().Assign(Font());
  const int textH = measure.TextHeight("gh");
  for (int i = 0; i < sections_->Count(); ++i) {
    const TAdvToolPanelSection* s = sections_->Items(i);
    const TRect b = SectionBounds(i);
    if (y < b.Top || y > b.Bottom || !s->Expanded()) continue;
    const TSectionItems& items = *s->SectionItems();
    int itemX = 12, pictureRow = 0;
    bool pictures = false;
    for (int j = 0; j < items.Count(); ++j) pictures |= items.Items(j)->ImageIndex() >= 0;
    if (section_images_ && pictures) {
      itemX += section_images_->Width();
      pictureRow = section_images_->Height() + 2;
    }
    const int h = std::max(textH, pictureRow);
    for (int j = 0; j < items.Count(); ++j) {
      const TSectionItem* item = items.Items(j);
      if (item->IsSeparator()) continue;
      const int picture = section_images_ && item->ImageIndex() >= 0 ? section_images_->Width() : 0;
      const int top = b.Top + capH + j * h + 4;
      const TRect r = Rect(itemX + indent - picture, top,
                           measure.TextWidth(item->Caption()) + itemX + indent, top + h);
      if (PtInRect(r, {x, y})) {
        itemIndex = j;
        sectionIndex = i;
        itemRect = Rect(indent + 1, top, ClientWidth() - 1, top + h);
        return true;
      }
    }
  }
  return false;
}

void TAdvToolPanel::LayoutSectionChildren(int index, int d) {
  if (index < 0 || index >= sections_->Count()) return;
  const TRect s = SectionBounds(index);
  std::vector<TControl*>& list = sections_->Items(index)->control_list_;
  // A control an earlier collapsed section hides stays where it is.
  auto heldEarlier = [&](const TControl* c) {
    if (c->Visible()) return false;
    for (int k = 0; k < index; ++k)
      if (Holds(sections_->Items(k)->control_list_, c)) return true;
    return false;
  };
  std::vector<TControl*> children;
  for (int i = 0; i < ControlCount(); ++i) children.push_back(Controls(i));
  if (d > 0) {
    for (TControl* c : children) {
      const bool inside = c->Top() >= s.Top && c->Top() <= s.Bottom;
      if (!c->Visible() && inside && Holds(list, c)) c->Show();
      else if (c->Top() >= s.Top && !heldEarlier(c)) c->SetTop(c->Top() + d);
    }
    list.clear();
    if (OnNodeExpand) OnNodeExpand(this, index);
  } else if (d < 0) {
    for (TControl* c : children) {
      if (c->Visible() && c->Top() >= s.Top && c->Top() <= s.Bottom) {
        list.push_back(c);
        c->Hide();
      } else if (c->Top() >= s.Bottom && !heldEarlier(c)) {
        c->SetTop(c->Top() + d);
      }
    }
    if (OnNodeCollapse) OnNodeCollapse(this, index);
  }
}

void TAdvToolPanel::ShiftControlsBelowSection(int index, int d) {
  if (index < 0 || index >= sections_->Count()) return;
  const int bottom = SectionBounds(index).Bottom;
  for (int i = 0; i < ControlCount(); ++i)
    if (TControl* c = Controls(i); c->Top() >= bottom) c->SetTop(c->Top() + d);
}

}  // namespace tavrel
