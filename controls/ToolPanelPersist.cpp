// Saving and restoring the arrangement of a bar's panels.
#include <algorithm>
#include <memory>

#include "controls/ToolPanelTab.h"
#include "platform/dynlib.h"
#include "platform/inifiles.h"

namespace tavrel {

namespace {
// A corrupt count must not keep a restore busy for ever.
constexpr int kMaxStoredPanels = 1000;
// A floating window restored smaller than this could not be grabbed.
constexpr int kMinFloatWidth = 60, kMinFloatHeight = 40;

std::unique_ptr<TCustomIniFile> OpenStore(const TPanelPersistence& p) {
  if (p.Location() == pplRegistry) {
    if (p.RegistryUserKey().empty()) return nullptr;
    try {
      return std::make_unique<TRegistryIniFile>(p.RegistryUserKey());
    } catch (const EIniFileException&) {
      return nullptr;  // a key the stand-in cannot hold keeps nothing
    }
  }
  if (p.INIFile().empty()) return nullptr;
  const std::string& name = p.INIFile();
  return std::make_unique<TIniFile>(name.front() == '/' ? name : ProgramFolder() + name);
}
}  // namespace

TRect ClampToDesktop(TRect r) {
  const int sw = Screen() ? Screen()->Width() : 1024, sh = Screen() ? Screen()->Height() : 768;
  const int w = std::clamp(r.Width(), std::min(kMinFloatWidth, sw), sw);
  const int h = std::clamp(r.Height(), std::min(kMinFloatHeight, sh), sh);
  const int l = std::clamp(r.Left, 0, sw - w), t = std::clamp(r.Top, 0, sh - h);
  return Bounds(l, t, w, h);
}

void TAdvToolPanelTab::SaveState() {
  std::unique_ptr<TCustomIniFile> ini = OpenStore(persist_);
  if (!ini) return;
  const bool registry = persist_.Location() == pplRegistry;
  const std::string n = Name();
  ini->WriteInteger(n + "PANELS", "COUNT", panels_->Count());
  for (int i = 0; i < panels_->Count(); ++i) {
    const TToolPanel* item = panels_->Items(i);
    TAdvToolPanel* p = item->Panel();
    if (!p) continue;
    const std::string sec = n + "PANEL" + std::to_string(i + 1);
    ini->WriteString(sec, "NAME", p->Name());
    ini->WriteInteger(sec, "OPENWIDTH", item->OpenWidth());
    ini->WriteInteger(sec, "LOCKED", p->Locked());
    ini->WriteInteger(sec, "HIDDEN", p->Hidden());
    ini->WriteInteger(sec, "DOCKED", p->Docking());
    ini->WriteInteger(sec, "VISIBLE", p->Visible());
    if (!registry)
      if (auto* bar = dynamic_cast<TAdvToolPanelTab*>(p->Tab())) ini->WriteString(sec, "TAB", bar->Name());
    TForm* window = p->Floating() ? p->ParentForm() : nullptr;
    const TRect r = window ? window->BoundsRect() : p->BoundsRect();
    ini->WriteInteger(sec, "LEFT", r.Left);
    ini->WriteInteger(sec, "TOP", r.Top);
    const int width = window ? r.Width() : p->Locked() ? (Vertical() ? p->Width() : p->Height()) : p->OpenWidth();
    ini->WriteInteger(sec, "WIDTH", width);
    if (window) ini->WriteInteger(sec, "HEIGHT", r.Height());
  }
  restored_ = false;
}

bool TAdvToolPanelTab::LoadState() {
  std::unique_ptr<TCustomIniFile> ini = OpenStore(persist_);
  if (!ini) return false;
  const std::string n = Name();
  const int count = std::min(ini->ReadInteger(n + "PANELS", "COUNT", 0), kMaxStoredPanels);
  if (count <= 0) return false;
  roll_out_panel_ = -1;
  auto allRestored = [this] {
    for (int i = 0; i < panels_->Count(); ++i)
      if (TAdvToolPanel* p = panels_->Items(i)->Panel(); p && !p->Restored()) return false;
    return true;
  };
  for (int i = 1; i <= count && !allRestored(); ++i) {
    const std::string sec = n + "PANEL" + std::to_string(i);
    TAdvToolPanel* p = PanelByName(ini->ReadString(sec, "NAME", ""));
    if (!p || p->Restored()) continue;
    p->SetRestored(true);
    const int openWidth = ini->ReadInteger(sec, "OPENWIDTH", 0);
    panels_->Items(PanelIndex(p))->SetOpenWidth(openWidth);
    p->SetDocking(ini->ReadInteger(sec, "DOCKED", 0) == 1);
    const bool visible = ini->ReadInteger(sec, "VISIBLE", 0) == 1;
    p->SetHidden(ini->ReadInteger(sec, "HIDDEN", 0) == 1);
    const bool locked = ini->ReadInteger(sec, "LOCKED", 0) == 1;
    const int width = locked ? ini->ReadInteger(sec, "WIDTH", 0) : openWidth;
    if (width > 0) p->SetOpenWidth(width);  // nothing stored keeps the width it has
    if (locked && !p->Locked() && !p->Hidden() && !p->Docking()) {
      if (position_ == ppLeft) p->SetLeft(tab_width_);
      p->SetAlign(alNone);
      if (Vertical()) {
        p->SetBounds(p->Left(), Top(), p->OpenWidth(), Height());
      } else {
        p->SetBounds(p->Left(), tab_width_, Width(), p->OpenWidth());
      }
      p->SetParent(Parent());
      p->Show();
      p->SetLocked(true);
    } else if (!locked && p->Locked() && !p->Hidden() && !p->Docking()) {
      p->SetLocked(false);
      CancelSlides(p);
      p->Hide();
      if (p->Parent() == panel_form_) panel_form_->Hide();
      roll_out_panel_ = -1;
    }
    if (p->Docking() && visible && !p->Floating()) {
      const int l = ini->ReadInteger(sec, "LEFT", 0), w = ini->ReadInteger(sec, "WIDTH", 0);
      const int t = ini->ReadInteger(sec, "TOP", 0), h = ini->ReadInteger(sec, "HEIGHT", 0);
      FloatToolPanel(p, ClampToDesktop(Bounds(l, t, w, h)));
    }
  }
  FitThickness();
  roll_out_panel_ = -1;
  return true;
}

void TAdvToolPanelTab::RestoreState() {
  if (!LoadState()) return;
  bool took = false;
  if (TWinControl* home = Parent()) {
    std::vector<TAdvToolPanel*> loose;
    for (int i = 0; i < home->ControlCount(); ++i)
      if (auto* p = dynamic_cast<TAdvToolPanel*>(home->Controls(i)); p && !p->Restored() && PanelIndex(p) < 0)
        loose.push_back(p);
    for (TAdvToolPanel* p : loose) {
      if (auto* old = dynamic_cast<TAdvToolPanelTab*>(p->Tab())) old->RemovePanel(p);
      InsertPanel(p);
      p->SetTab(this);
      took = true;
    }
  }
  restored_ = true;
  if (!took) return;
  LoadState();
  std::vector<TAdvToolPanelTab*> others;
  for (int i = 0; Parent() && i < Parent()->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TAdvToolPanelTab*>(Parent()->Controls(i)); b && b != this && !b->restored_)
      others.push_back(b);
  for (TAdvToolPanelTab* b : others) b->RestoreState();
}

}  // namespace tavrel
