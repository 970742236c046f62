#include "platform/component.h"

#include <algorithm>

#include "platform/classinfo.h"
#include "platform/exceptions.h"
#include "platform/text.h"

namespace tavrel {

namespace {

void Erase(std::vector<TComponent*>& list, TComponent* c) {
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

}  // namespace

bool IsValidIdent(std::string_view name) {
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (name.empty() || !alpha(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

void ComponentDeleter::operator()(TComponent* c) const {
  if (c) c->Destroy();
}

const ClassInfo& TComponent::Class() {
  static const ClassInfo info = ClassBuilder<TComponent>("TComponent", TPersistent::Class())
                                    .prop("Name", &TComponent::Name, &TComponent::SetName)
                                    .stored(false)
                                    .build();
  return info;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Reached through Destroy, or when a constructor further down threw.
  LeaveLoading();
  DestroyComponents();
  for (TComponent* other : freeNotifies_) Erase(other->freeNotifies_, this);
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroy() {
  BeforeDestruction();
  state_ |= csDestroying;
  auto notifies = std::move(freeNotifies_);
  freeNotifies_.clear();
  for (TComponent* other : notifies) {
    Erase(other->freeNotifies_, this);
    other->Notification(this, TOperation::opRemove);
  }
  LeaveLoading();
  DestroyComponents();
  loaded_.reset();
  if (owner_) owner_->RemoveComponent(this);
  delete this;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    components_.pop_back();
    c->owner_ = nullptr;
    c->Destroy();
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_ && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw EComponentError("A component named " + name + " already exists");
  }
  name_ = name;
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return int(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  // Check before leaving the old owner, so a refusal changes nothing.
  if (!component->name_.empty() && FindComponent(component->name_) &&
      component->owner_ != this)
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  if (state_ & csDesigning) component->SetDesigning(true);
  if (TComponent* root = LoadingRoot()) component->JoinLoading(root);
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component->owner_ != this) return;
  Notification(component, TOperation::opRemove);
  component->LeaveLoading();
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::SetDesigning(bool designing) {
  if (designing)
    state_ |= csDesigning;
  else
    state_ &= ~csDesigning;
  for (TComponent* c : components_) c->SetDesigning(designing);
}

bool TComponent::IsLoadingInChain() const {
  for (const TComponent* c = this; c; c = c->owner_)
    if (c->state_ & csLoading) return true;
  return false;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end())
    component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(freeNotifies_, component);
  Erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) RemoveFreeNotification(component);
  // A child may destroy siblings from its handler; walk a copy.
  auto children = components_;
  for (TComponent* c : children)
    if (c != component && std::find(components_.begin(), components_.end(), c) != components_.end())
      c->Notification(component, operation);
}

void TComponent::PublishMethod(const std::string& name, MethodRef method) {
  method.name = name;
  for (auto& [n, m] : methods_)
    if (SameText(n, name)) {
      m = std::move(method);
      return;
    }
  methods_.emplace_back(name, std::move(method));
}

const MethodRef* TComponent::FindMethod(std::string_view name) const {
  for (auto& [n, m] : methods_)
    if (SameText(n, name)) return &m;
  return nullptr;
}

TComponent* TComponent::LoadingRoot() const {
  for (const TComponent* c = this; c; c = c->owner_)
    if (c->loaded_) return const_cast<TComponent*>(c);
  return nullptr;
}

void TComponent::JoinLoading(TComponent* root) {
  state_ |= csLoading;
  root->loaded_->push_back(this);
  loadingRoot_ = root;
}

void TComponent::LeaveLoading() {
  if (!loadingRoot_) return;
  if (loadingRoot_->loaded_)
    std::replace(loadingRoot_->loaded_->begin(), loadingRoot_->loaded_->end(), this, (TComponent*)nullptr);
  loadingRoot_ = nullptr;
}

void TComponent::BeginLoading() {
  if (loaded_) throw EReadError("component " + name_ + " is already loading");
  state_ |= csLoading | csReading;
  loaded_ = std::make_unique<std::vector<TComponent*>>();
  loaded_->push_back(this);
}

void TComponent::EndLoading() {
  if (!loaded_) return;
  // Entries of components destroyed meanwhile are null; components created
  // by a Loaded call join the end of the list and are loaded too.
  for (size_t i = 0; loaded_ && i < loaded_->size(); ++i) {
    TComponent* c = (*loaded_)[i];
    if (!c) continue;
    c->state_ &= ~csReading;
    c->loadingRoot_ = nullptr;
    c->Loaded();
  }
  loaded_.reset();
  state_ &= ~(csLoading | csReading);
}

void TComponent::AbortLoading() {
  if (!loaded_) return;
  for (TComponent* c : *loaded_)
    if (c) {
      c->state_ &= ~(csLoading | csReading);
      c->loadingRoot_ = nullptr;
    }
  loaded_.reset();
  state_ &= ~(csLoading | csReading);
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  if (root != this) return;
  auto children = components_;
  for (TComponent* c : children) proc(c);
}

void TComponent::Loaded() { state_ &= ~csLoading; }

bool TComponent::IsFormRoot() const {
  for (const ClassInfo* ci = &ClassType(); ci; ci = ci->parent)
    if (ci->formRoot) return true;
  return false;
}

bool TComponent::IsApplicationObject() const {
  for (const ClassInfo* ci = &ClassType(); ci; ci = ci->parent)
    if (ci->application) return true;
  return false;
}

}  // namespace tavrel
