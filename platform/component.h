#pragma once
// TComponent: ownership, names, component state, notifications, loading.
//
//   auto form = TComponent::CreateUnowned<TMainForm>();   // ComponentPtr
//   auto* lp  = TComponent::Create<TALLowPass>(form.get()); // owned by form
//   lp->SetName("ALLowPass1");      // unique among form's components
//   form.reset();                   // destroys lp too
//
// Creation is two-phase because a constructor cannot reach overrides:
// Create<T> constructs, then calls AfterConstruction; Destroy calls
// BeforeDestruction (which sets csDestroying), destroys the owned
// components while this one is still whole, leaves the owner, and deletes.
// A component is never deleted any other way.
//
// Loading: the form reader marks a root as loading and gives it a loaded
// list. Every component inserted under that root while it loads (read from
// the form data or created in code by a component being read) gets
// csLoading and joins the list; EndLoading calls Loaded on the root and
// then on every listed component in the order they joined.
//
// The root of a component is found by walking up owners; the walk stops at
// an application object or at a form/frame class (ClassInfo markers).
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/method.h"
#include "platform/object.h"

namespace tavrel {

enum ComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
};

enum class TOperation { opInsert, opRemove };

class TComponent;

struct ComponentDeleter {
  void operator()(TComponent* c) const;
};
template <class T>
using ComponentPtr = std::unique_ptr<T, ComponentDeleter>;

class TComponent : public TPersistent {
  TAVREL_CLASS_INFO
 public:
  explicit TComponent(TComponent* owner);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Constructs a T owned by owner (not null) and runs AfterConstruction.
  template <class T, class... A>
  static T* Create(TComponent* owner, A&&... args);
  // The same for a component without owner; the pointer destroys it.
  template <class T, class... A>
  static ComponentPtr<T> CreateUnowned(A&&... args);
  // BeforeDestruction, owned components, leave the owner, delete.
  void Destroy();

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // EComponentError when the name is not an identifier (empty is allowed)
  // or another component of the same owner has it (compared ignoring case).
  virtual void SetName(const std::string& name);

  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int index) const { return components_.at(size_t(index)); }
  int ComponentIndex() const;  // position in the owner's list, -1 without owner
  TComponent* FindComponent(std::string_view name) const;  // ignoring case

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  unsigned ComponentState() const { return state_; }
  bool HasState(unsigned flags) const { return (state_ & flags) != 0; }
  // Test hook for design-time branches; never set at run time.
  void SetDesigning(bool designing);

  // This component or any owner up the chain is loading.
  bool IsLoadingInChain() const;

  // Asks component to tell this one (Notification opRemove) when it goes.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Method table of a root: the form reader resolves stored event names here.
  void PublishMethod(const std::string& name, MethodRef method);
  template <class Sig>
  void PublishMethod(const std::string& name, Method<Sig> method) {
    method.name = name;
    PublishMethod(name, method.ToRef());
  }
  const MethodRef* FindMethod(std::string_view name) const;

  // Loading of a root (used by the form reader).
  void BeginLoading();  // csLoading|csReading, starts the loaded list
  void EndLoading();    // Loaded on the root and every listed component
  void AbortLoading();  // drops the list and the flags without Loaded calls

  // Form streaming: the components stored inside this one (for the root,
  // by default, every component it owns in order; for others none), and
  // the container of a component read inside another one.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
  virtual void SetParentComponent(TComponent*) {}

  bool IsFormRoot() const;         // class or an ancestor marked form/frame
  bool IsApplicationObject() const;

 protected:
  ~TComponent() override;

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() { Destroying(); }
  virtual void Loaded();
  virtual void Notification(TComponent* component, TOperation operation);
  TPersistent* GetOwner() override { return owner_; }

  void Destroying() { state_ |= csDestroying; }
  void SetState(unsigned flags) { state_ |= flags; }
  void ClearState(unsigned flags) { state_ &= ~flags; }

 private:
  friend struct ComponentDeleter;
  friend class FormReading;
  friend class FormWriting;
  void DestroyComponents();
  TComponent* LoadingRoot() const;
  void JoinLoading(TComponent* root);

  TComponent* owner_ = nullptr;
  std::string name_;
  unsigned state_ = 0;
  std::vector<TComponent*> components_;  // owned
  std::vector<TComponent*> freeNotifies_;
  std::vector<std::pair<std::string, MethodRef>> methods_;
  std::unique_ptr<std::vector<TComponent*>> loaded_;  // while loading a root
  TComponent* loadingRoot_ = nullptr;                  // the root whose list holds this one
  void LeaveLoading();
};

bool IsValidIdent(std::string_view name);

template <class T, class... A>
T* TComponent::Create(TComponent* owner, A&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  if (!owner) throw EComponentError("Create needs an owner; use CreateUnowned");
  ComponentPtr<T> c(new T(owner, std::forward<A>(args)...));
  static_cast<TComponent*>(c.get())->AfterConstruction();
  return c.release();
}

template <class T, class... A>
ComponentPtr<T> TComponent::CreateUnowned(A&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  ComponentPtr<T> c(new T(nullptr, std::forward<A>(args)...));
  static_cast<TComponent*>(c.get())->AfterConstruction();
  return c;
}

}  // namespace tavrel
