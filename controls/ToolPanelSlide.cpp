// Sliding panels out and in, the open and close timer, and pinning.
#include "controls/ToolPanelTab.h"

namespace tavrel {

namespace {
constexpr uintptr_t kSlideTimerId = 501;
constexpr TAnchors kAllAnchors = akLeft | akTop | akRight | akBottom;
}  // namespace


void TAdvToolPanelTab::QueueSlide(TAdvToolPanel* p, bool out, bool place) {
  slides_.push_back(std::make_unique<Slide>(Slide{p, out, place}));
  if (!running_slides_ && slides_.size() == 1) RunSlides();
}

void TAdvToolPanelTab::RunSlides() {
  TFlagHold running(running_slides_);
  while (!slides_.empty() && !destroying_) {
    Slide& s = *slides_.front();
    if (!s.started) {
      StartSlide(s);
      if (slides_.empty() || slides_.front().get() != &s) continue;  // cancelled by a handler
      if (!SlideGoesOn(s)) {
        EndSlide();
        continue;
      }
    }
    if (s.pause > 0) {
      SetTimer(Handle(), kSlideTimerId, static_cast<UINT>(s.pause));
      slide_timer_ = true;
      return;
    }
    while (SlideGoesOn(s)) StepSlide(s);
    EndSlide();
  }
  if (slide_timer_ && HandleAllocated()) KillTimer(Handle(), kSlideTimerId);
  slide_timer_ = false;
}

void TAdvToolPanelTab::NextSlideStep() {
  if (running_slides_) return;
  if (slides_.empty() || !slides_.front()->started) {
    RunSlides();
    return;
  }
  Slide& s = *slides_.front();
  StepSlide(s);
  if (!SlideGoesOn(s)) {
    EndSlide();
    RunSlides();
  }
}

void TAdvToolPanelTab::CancelSlides(TAdvToolPanel* p) {
  if (slides_.empty()) return;
  const bool runningOne = slides_.front()->started && (!p || slides_.front()->panel == p);
  std::erase_if(slides_, [p](const std::unique_ptr<Slide>& s) { return !p || s->panel == p; });
  if (runningOne && slide_timer_ && HandleAllocated()) {
    KillTimer(Handle(), kSlideTimerId);
    slide_timer_ = false;
  }
  // What waits behind a cancelled slide starts with the next timer step.
  if (!slides_.empty() && !slide_timer_ && !running_slides_ && !destroying_) {
    SetTimer(Handle(), kSlideTimerId, 10);
    slide_timer_ = true;
  }
}

void TAdvToolPanelTab::FinishSlides() {
  while (!slides_.empty() && !destroying_) {
    Slide& s = *slides_.front();
    if (!s.started) {
      StartSlide(s);
      if (slides_.empty() || slides_.front().get() != &s) continue;
    }
    while (SlideGoesOn(s)) StepSlide(s);
    EndSlide();
  }
  if (slide_timer_ && HandleAllocated()) KillTimer(Handle(), kSlideTimerId);
  slide_timer_ = false;
}

void TAdvToolPanelTab::StartSlide(Slide& s) {
  s.started = true;
  s.pause = SlidePause(slide_speed_);
  TAdvToolPanel* p = s.panel;
  const int ow = p->OpenWidth();
  if (s.out) {
    if (s.place) PlaceForSlideOut(p);
    roll_out_panel_ = PanelIndex(p);
    Fire(OnTabSlideOut, p);
    const int target = PanelsInTab() > 0 ? tab_width_ : 0;
    switch (position_) {
      case ppLeft:
        if (s.pause == 0) p->SetLeft(tab_width_);
        else p->SetHeight(p->Height() - 1);
        p->SetHeight(p->Height() + 1);
        break;
      case ppTop:
        if (s.pause == 0) p->SetTop(target);
        break;
      case ppRight:
        p->SetAlign(alNone);
        p->SetAnchors(0);
        p->SetBounds(2, 0, ow, Height());
        if (s.pause == 0) {
          panel_form_->SetBounds(panel_form_->Left() + panel_form_->Width() - ow, panel_form_->Top(), ow,
                                 panel_form_->Height());
          p->SetBounds(2, 0, panel_form_->Width() - 2, p->Height());
          p->SetAnchors(kAllAnchors);
        }
        break;
      case ppBottom:
        p->SetAlign(alNone);
        p->SetAnchors(0);
        p->SetBounds(0, 2, Width(), ow);
        if (s.pause == 0) {
          panel_form_->SetBounds(panel_form_->Left(), panel_form_->Top() - ow, panel_form_->Width(), ow);
          p->SetBounds(p->Left(), 2, p->Width(), panel_form_->Height() - 2);
          p->SetAnchors(kAllAnchors);
        }
        break;
    }
  } else {
    Fire(OnTabSlideIn, p);
    BringToFront();
    const int i = PanelIndex(p);
    if (position_ == ppRight && panel_form_->Width() > 0 && i >= 0 && panels_->Items(i)->State == psOpened)
      p->SetOpenWidth(panel_form_->Width());
    if (position_ == ppBottom && panel_form_->Height() > 0) p->SetOpenWidth(panel_form_->Height());
    if (s.pause == 0) {
      switch (position_) {
        case ppLeft: p->SetLeft(-p->Width()); break;
        case ppTop: p->SetTop(-p->Height()); break;
        case ppRight: panel_form_->SetBounds(ClientOrigin().X, panel_form_->Top(), 0, panel_form_->Height()); break;
        case ppBottom: panel_form_->SetBounds(panel_form_->Left(), ClientOrigin().Y, panel_form_->Width(), 0); break;
      }
    }
  }
}

bool TAdvToolPanelTab::SlideGoesOn(const Slide& s) const {
  const TAdvToolPanel* p = s.panel;
  const int target = PanelsInTab() > 0 ? tab_width_ : 0;
  const int ow = p->OpenWidth();
  switch (position_) {
    case ppLeft: return s.out ? p->Left() < target : p->Left() > -p->Width();
    case ppTop: return s.out ? p->Top() < target : p->Top() > -p->Height();
    case ppRight: return s.out ? panel_form_->Width() < ow : panel_form_->Width() > 0;
    case ppBottom: return s.out ? panel_form_->Height() < ow : panel_form_->Height() > 0;
  }
  return false;
}

void TAdvToolPanelTab::StepSlide(Slide& s) {
  TAdvToolPanel* p = s.panel;
  TToolPanelForm& f = *panel_form_;
  const int ow = p->OpenWidth();
  if (s.out) {
    switch (position_) {
      case ppLeft: p->SetLeft(std::min(p->Left() + SlideStep, tab_width_)); break;
      case ppTop: p->SetTop(std::min(p->Top() + SlideStep, tab_width_)); break;
      case ppRight:
        if (f.Width() + SlideStep < ow) f.SetBounds(f.Left() - SlideStep, f.Top(), f.Width() + SlideStep, f.Height());
        else f.SetBounds(f.Left() - (ow - f.Width()), f.Top(), ow, f.Height());
        p->SetBounds(2, p->Top(), f.Width() - 2, p->Height());
        p->SetAnchors(kAllAnchors);
        break;
      case ppBottom:
        if (f.Height() + SlideStep < ow) f.SetBounds(f.Left(), f.Top() - SlideStep, f.Width(), f.Height() + SlideStep);
        else f.SetBounds(f.Left(), f.Top() - (ow - f.Height()), f.Width(), ow);
        p->SetBounds(p->Left(), 2, p->Width(), f.Height() - 2);
        p->SetAnchors(kAllAnchors);
        break;
    }
  } else {
    switch (position_) {
      case ppLeft: p->SetLeft(p->Left() - SlideStep); break;
      case ppTop: p->SetTop(p->Top() - SlideStep); break;
      case ppRight:
        if (f.Width() < 16) f.SetBounds(ClientOrigin().X, f.Top(), 0, f.Height());
        else f.SetBounds(f.Left() + SlideStep, f.Top(), f.Width() - SlideStep, f.Height());
        break;
      case ppBottom:
        if (f.Height() < 16) f.SetBounds(f.Left(), ClientOrigin().Y, f.Width(), 0);
        else f.SetBounds(f.Left(), f.Top() + SlideStep, f.Width(), f.Height() - SlideStep);
        break;
    }
  }
}

void TAdvToolPanelTab::EndSlide() {
  std::unique_ptr<Slide> s = std::move(slides_.front());
  slides_.pop_front();
  TAdvToolPanel* p = s->panel;
  if (destroying_) return;
  if (s->out) {
    if (position_ == ppRight || position_ == ppBottom) {
      // A new layout of the panel at its full size.
      p->SetWidth(p->Width() + 1);
      p->SetWidth(p->Width() - 1);
    }
    SetPanelState(p, psOpened);
    if (p->AutoLock()) {
      p->SetLocked(true);
      ApplyLockState(p);
      roll_in_candidate_ = -1;
      roll_out_panel_ = -1;
    }
    Fire(OnTabSlideOutDone, p);
  } else {
    p->Hide();
    if (position_ == ppRight || position_ == ppBottom) panel_form_->Hide();
    SetPanelState(p, psClosed);
    SendToBack();
    roll_out_panel_ = -1;
    Fire(OnTabSlideInDone, p);
  }
}

void TAdvToolPanelTab::PlaceForSlideOut(TAdvToolPanel* p) {
  const int i = PanelIndex(p);
  const int ow = i >= 0 ? panels_->Items(i)->OpenWidth() : p->OpenWidth();
  if (ow > 0 && p->OpenWidth() != ow) p->SetOpenWidth(ow);
  TWinControl* home = Parent();
  switch (position_) {
    case ppLeft:
      p->SetAlign(alNone);
      p->SetHeight(0);
      p->SetParent(home);
      p->Show();
      p->SetBounds(-ow, Top(), ow, Height());
      BringToFront();
      break;
    case ppTop:
      p->SetAlign(alNone);
      p->SetParent(home);
      p->SetBounds(Left(), -ow, Width(), ow);
      p->Show();
      BringToFront();
      break;
    case ppRight:
    case ppBottom: {
      const TPoint corner = ClientOrigin();
      p->SetAlign(alNone);
      p->SetParent(panel_form_);
      p->SetAnchors(kAllAnchors);
      if (position_ == ppRight) {
        p->SetBounds(2, 0, 0, Height());
        panel_form_->SetBounds(corner.X, corner.Y, 0, Height());
      } else {
        p->SetBounds(2, 0, Width(), 0);
        panel_form_->SetBounds(corner.X, corner.Y, Width(), 0);
      }
      p->Show();
      panel_form_->Show();
      if (TBackendWindow* w = panel_form_->Window()) w->Raise();
      panel_form_->SetFormStyle(TFormStyle::fsStayOnTop);
      break;
    }
  }
}

// ---- what starts and ends slides --------------------------------------------

void TAdvToolPanelTab::RollOut(TAdvToolPanel* p) {
  if (PanelIndex(p) < 0) return;
  // One panel is out at a time: the one out now goes in first.
  if (TAdvToolPanel* out = PanelAt(roll_out_panel_); out && out != p) RollIn(out);
  QueueSlide(p, true, true);
}

void TAdvToolPanelTab::RollIn(TAdvToolPanel* p) {
  const int i = PanelIndex(p);
  if (i < 0) return;
  if (p->Visible() && !p->Locked() && !p->Floating()) {
    panels_->Items(i)->SetOpenWidth(Vertical() ? p->Width() : p->Height());
    QueueSlide(p, false, false);
  } else {
    panels_->Items(i)->State = psClosed;
  }
}

void TAdvToolPanelTab::OpenTabPanel(int index) {
  TAdvToolPanel* target = PanelAt(index);
  if (!target) return;
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* p = panels_->Items(i)->Panel();
    if (!p || p == target || !p->Visible() || p->Locked() || p->Floating()) continue;
    panels_->Items(i)->SetOpenWidth(Vertical() ? p->Width() : p->Height());
    QueueSlide(p, false, false);
  }
  if (index == roll_out_panel_) return;
  for (auto& s : slides_)
    if (s->panel == target && s->out) return;  // on its way out already
  QueueSlide(target, true, true);
}

void TAdvToolPanelTab::FitThickness() { SetThickness(PanelsInTab() > 0 ? tab_width_ : 0); }

void TAdvToolPanelTab::ApplyLockState(TAdvToolPanel* p) {
  const int me = PanelIndex(p);
  if (me < 0) return;
  FitThickness();
  const bool lock = p->Locked();
  auto others = [&](auto f) {
    for (int i = 0; i < panels_->Count(); ++i)
      if (TAdvToolPanel* q = panels_->Items(i)->Panel(); q && q != p && q->Locked() && !q->Docking()) f(q);
  };
  auto everyLocked = [&](auto f) {
    for (int i = 0; i < panels_->Count(); ++i)
      if (TAdvToolPanel* q = panels_->Items(i)->Panel(); q && q->Locked() && !q->Docking()) f(q);
  };
  const TPoint corner = ClientOrigin();
  switch (position_) {
    case ppLeft:
    case ppTop: {
      const bool left = position_ == ppLeft;
      if (lock) {
        int shift = 0;
        others([&](TAdvToolPanel* q) { shift += q->OpenWidth(); });
        if (left) p->SetLeft(p->Left() + shift);
        else p->SetTop(p->Top() + shift);
        p->SetAlign(left ? alLeft : alTop);
        if (left) p->SetWidth(p->OpenWidth());
        else p->SetHeight(p->OpenWidth());
        p->SendToBack();
        RemovePanel(nullptr);
        roll_out_panel_ = -1;
      } else {
        if (left) SetLeft(0);
        const int size = left ? p->Width() : p->Height();
        others([&](TAdvToolPanel* q) {
          if (left && q->Left() > p->Left()) q->SetLeft(q->Left() - size);
          if (!left && q->Top() > p->Top()) q->SetTop(q->Top() - size);
        });
        roll_out_panel_ = me;
        RemovePanel(nullptr);
        p->SetAlign(alNone);
        if (left) p->SetLeft(tab_width_);
        else p->SetTop(tab_width_);
        p->BringToFront();
      }
      KeepOutermost();
      break;
    }
    case ppRight:
    case ppBottom: {
      const bool right = position_ == ppRight;
      if (lock) {
        const int size = right ? p->Width() : p->Height();
        if (right) others([&](TAdvToolPanel* q) { q->SetLeft(q->Left() - size); });
        p->SetAlign(right ? alRight : alBottom);
        p->SetParent(Parent());
        everyLocked([&](TAdvToolPanel* q) {
          if (right) q->SetWidth(q->OpenWidth());
          else q->SetHeight(q->OpenWidth());
        });
        p->SendToBack();
        panel_form_->Hide();
        roll_out_panel_ = -1;
      } else {
        others([&](TAdvToolPanel* q) {
          if (right && q->Left() < p->Left()) q->SetLeft(q->Left() + p->OpenWidth());
          if (!right && q->Top() < p->Top()) q->SetTop(q->Top() + p->OpenWidth());
        });
        roll_out_panel_ = me;
        everyLocked([&](TAdvToolPanel* q) {
          if (right) q->SetWidth(q->OpenWidth());
          else q->SetHeight(q->OpenWidth());
        });
        p->SetOpenWidth((right ? p->Width() : p->Height()) + 2);
        const int ow = p->OpenWidth();
        if (right) panel_form_->SetWidth(0);
        else panel_form_->SetHeight(0);
        p->SetAlign(alNone);
        p->SetParent(panel_form_);
        if (right) {
          p->SetBounds(2, 0, ow - 2, Height());
          panel_form_->SetBounds(corner.X + Width() - tab_width_ - ow, corner.Y, ow, Height());
        } else {
          p->SetBounds(0, 2, Width(), ow - 2);
          panel_form_->SetBounds(corner.X, corner.Y - ow, Width(), ow);
        }
        p->SetAnchors(kAllAnchors);
        p->Show();
        panel_form_->Show();
        panel_form_->SetFormStyle(TFormStyle::fsStayOnTop);
      }
      KeepOutermost();
      break;
    }
  }
  Invalidate();
}

void TAdvToolPanelTab::UnHidePanel(TAdvToolPanel* p) {
  if (p->Floating()) {
    p->Show();
  } else if (!p->Locked()) {
    p->SetHidden(false);
  } else {
    p->SetHidden(false);
    p->SetLocked(false);
    p->Show();
  }
}

void TAdvToolPanelTab::UnHidePanels() {
  for (int i = 0; i < panels_->Count(); ++i) {
    TAdvToolPanel* p = panels_->Items(i)->Panel();
    if (!p) continue;
    if (p->Floating()) {
      p->Show();
      if (roll_out_panel_ == i) roll_out_panel_ = -1;
    } else if (p->Locked()) {
      p->SetHidden(false);
      p->Show();
      const int ow = p->OpenWidth();
      if (Vertical()) p->SetWidth(ow);
      else p->SetHeight(ow);
      switch (position_) {
        case ppLeft: p->SetLeft(Width()); break;
        case ppRight: p->SetLeft(Left() - ow); break;
        case ppTop: p->SetTop(Height()); break;
        case ppBottom: p->SetTop(Top() - ow); break;
      }
      if (roll_out_panel_ == i) roll_out_panel_ = -1;
    } else if (p->Hidden()) {
      p->SetHidden(false);
    }
  }
  Invalidate();
}

// ---- the open and close timer -----------------------------------------------

bool TAdvToolPanelTab::MouseNearRollOutPanel(TPoint c) const {
  TAdvToolPanel* p = PanelAt(roll_out_panel_);
  if (!p) return false;
  const TPoint inPanel = p->ScreenToClient(ClientToScreen(c));
  if (p->Visible() && PtInRect(p->ClientRect(), inPanel)) return true;
  if (Vertical() && TabAt(0, c.Y) == roll_out_panel_ && c.X >= 0 && c.X < Width()) return true;
  if (!Vertical() && TabAt(c.X, 0) == roll_out_panel_ && c.Y >= 0 && c.Y < Height()) return true;
  return p->HasFocusedChild();
}

void TAdvToolPanelTab::TimerTick() {
  const TPoint c = ScreenToClient(GetCursorPos());
  const bool sliding = roll_in_out_ || Sliding();
  const int across = Vertical() ? c.X : c.Y;
  const bool inStrip = across > Thickness() - tab_width_ && across < Thickness();
  if (roll_in_candidate_ >= 0 && mouse_in_control_ && panels_->Count() > 0 && inStrip) {
    if (timer_roll_in_ < 2 || sliding) {
      ++timer_roll_in_;
    } else if (TabAt(c.X, c.Y) == roll_in_candidate_) {
      TFlagHold automatic(roll_in_out_);
      const int t = roll_in_candidate_;
      roll_in_candidate_ = -1;
      OpenTabPanel(t);
    } else {
      roll_in_candidate_ = -1;
    }
  }
  if (!timer_enable_) return;
  ++timer_count_;
  TAdvToolPanel* out = PanelAt(roll_out_panel_);
  if (out && panels_->Count() > 0 && !MouseNearRollOutPanel(c)) {
    if (timer_count_ != 10) return;
    if (position_ == ppLeft) {
      panels_->Items(roll_out_panel_)->SetOpenWidth(out->Width());
      out->SetOpenWidth(out->Width());
    }
    if (!out->Floating() && !out->Locked()) {
      TFlagHold automatic(roll_in_out_);
      roll_in_candidate_ = -1;
      QueueSlide(out, false, false);
      timer_count_ = 0;
    }
  } else {
    timer_count_ = 0;
  }
}

}  // namespace tavrel
