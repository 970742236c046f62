#pragma once
// Pin names, the two process-wide pin registries and placeholders.
//
// A pin is named after the published property path that leads from its
// owner component to it: fmMain.ALLowPass1.OutputPin with root,
// ALLowPass1.OutputPin without. A stored link names the pin at its other
// end; when no such pin exists yet a placeholder (TOWUnloadedPin) stands
// for it, records the links made to it and hands them over when the real
// pin starts reading its own links (AdoptUnloadedPin).
//
//   TOWBasicPin* p = PinGetByNameCreate(root, TOWPinType::ptSource,
//                        "fmMain.ALLowPass1.OutputPin", "fmMain.ALLowPass1.OutputPin", "fmMain.X.InputPin");
//   sink->Connect(p);            // to the real pin or to a placeholder
//   realPin->AdoptUnloadedPin(); // links of matching placeholders move over
//
// Every pin enters the pin registry when it is made and leaves it when it
// goes; the unloaded-pin registry owns the placeholders. Both are guarded
// by one recursive pin-structure section; look-ups are linear scans and
// build names on the fly (nothing is cached).
#include <mutex>
#include <string>
#include <vector>

#include "framework/OWPins.h"

namespace tavrel {

// The pin-structure section (recursive: making a placeholder inside a
// look-up enters the registry again).
std::recursive_mutex& PinStructureSection();

// The root of a component: up the owner chain to one without owner, owned
// by the application object, or of a form or frame class.
TComponent* ComponentRoot(TComponent* AComponent);

// The published property path from AComponent to ATarget ("" when not
// found); IdentMode names collection items Coll._Item<i> instead of Coll[i].
std::string FindPinPropertyPath(TComponent* AComponent, const TObject* ATarget, bool IdentMode);

// A pin found under a component, with its property path (or its name).
struct TOWPinPath {
  std::string Path;
  TOWBasicPin* Pin;
};
using TOWPinPaths = std::vector<TOWPinPath>;

// Appends every pin under AComponent whose class is named AClassName or
// derives from it, depth first over the published object properties in
// declaration order. Sub-objects are visited once; nesting deeper than 20
// levels is not searched. False when a failing getter ended the walk (what
// was found before stays in AList).
bool CollectPinPaths(TComponent* AComponent, std::string_view AClassName, bool IdentMode, TOWPinPaths& AList);

// The names an editor offers for linking APin: for each component owned by
// AComponent (and theirs, recursively), its pins that APin accepts, named
// [APrefix ASeparator] component ASeparator path. Flags bit 0: accept what
// APin is compatible with (bit 2 also: and does not directly depend on);
// without bit 0: what APin can connect to. False when a collection failed.
bool CollectCandidatePins(TOWPinPaths& AList, TComponent* AComponent, TOWBasicPin* APin, int Flags,
                          const std::string& APrefix, const std::string& ASeparator);
// The candidates (flags 1) of APin's own root without prefix, or of ARoot
// prefixed with its name when ARoot is another root.
bool CollectLinkCandidates(TOWBasicPin* APin, TComponent* ARoot, TOWPinPaths& AList);

// Every pin's constructor and destructor (OWPins.cpp).
void EnterPinRegistry(TOWBasicPin* APin);
void LeavePinRegistry(TOWBasicPin* APin);

// What an editor shows for a pin's link: "(Disconnected)", the other
// pin's name (with root only when the roots differ), "( n Links )" for a
// source with several sinks, or a state link's name.
std::string GetLinkDisplayName(TOWBasicPin* APin);

// The first of APins whose full display name, without or with root, is AName.
TOWBasicPin* FirstPinNamed(const std::vector<TOWBasicPin*>& APins, const std::string& AName);

// Registry look-ups; null when nothing matches.
TOWBasicPin* PinGetByIdentName(TComponent* ARoot, const std::string& APinName);
TOWBasicPin* PinGetByDisplayName(TComponent* ARoot, const std::string& APinName);
// Look up by identifier name, then display name, else make a placeholder.
TOWBasicPin* PinGetByNameCreate(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                                const std::string& APinDisplayName, const std::string& ACreatedFrom);
// The placeholder of the unloaded-pin registry that matches, or null.
class TOWUnloadedPin;
TOWUnloadedPin* UnloadedGetByIdentName(TComponent* ARoot, const std::string& APinName);

// Snapshots for tests and tools.
std::vector<TOWBasicPin*> RegisteredPins();
std::vector<TOWUnloadedPin*> UnloadedPins();
// The framework's shut-down step: every placeholder left goes (its links
// are dropped first).
void ClearUnloadedPins();

// Set on this thread while a pin reads its stored links.
bool IsReadingFormLinks();
class TOWFormLinkReading {
 public:
  TOWFormLinkReading();
  ~TOWFormLinkReading();
  TOWFormLinkReading(const TOWFormLinkReading&) = delete;
  TOWFormLinkReading& operator=(const TOWFormLinkReading&) = delete;

 private:
  bool old_;
};

// Stands for a named pin that does not exist yet. Owned by the
// unloaded-pin registry only.
class TOWUnloadedPin : public TOWBasicPin {
  TAVREL_CLASS_INFO
 public:
  // Makes the placeholder and enters it into the unloaded-pin registry.
  static TOWUnloadedPin* Create(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                                const std::string& APinDisplayName, const std::string& ACreatedFrom);

  std::string GetFullName(bool IncludeRootForm) override;
  std::string GetFullIdentName(bool IncludeRootForm) override;
  TComponent* GetRoot() override { return nullptr; }
  TOWPinType GetPinType() override { return FType; }
  const std::string& CreatedFrom() const { return FCreatedFrom; }
  TComponent* LoadRoot() const { return FRoot; }
  bool IsDesignTime(bool AEvenWhileLoading) override;

  // Records the link and tells the other side; always accepted.
  bool ConnectAfter(TOWBasicPin* OtherPin, TOWBasicPin* NotifyAfterPin) override;
  void AddSinkEntry(TOWBasicPin* APin, TOWBasicPin* AAfterPin) override;
  void RemoveConnection(TOWBasicPin* APin, bool AKeepUnloaded) override;
  void RemovePinReferences(TOWBasicPin* APin) override;
  void ReplacePinReferences(TOWBasicPin* AOldPin, TOWBasicPin* ANewPin) override;
  void Disconnect() override;  // forgets the records, tells nobody
  bool IsConnected() override;
  bool IsConnectedTo(TOWBasicPin* OtherPin) override;
  int ConnectedPinCount() override;
  TOWBasicPin* GetConnectedPin(int Index) override;
  TOWBasicPin* GetAfterPin(TOWBasicPin* APin) override;
  bool IsCompatible(TOWBasicPin*, bool) override { return true; }
  bool InternalCanConnectTo(TOWBasicPin*, bool) override { return true; }
  bool DependsOn(TOWBasicPin*) override { return false; }

  // Leaves the registry and goes when no link, list or editor holds it.
  void RemoveIfUnused() override;
  void SetInEditor(bool Value);
  void SetOwnedByList(bool Value) { FOwnedByList = Value; }
  // Hands every recorded link to APin (last first) and goes.
  void PopulatePinAndDestroy(TOWBasicPin* APin);

 private:
  friend void ClearUnloadedPins();
  friend class TOWPinList;  // deleting a list's entry destroys the placeholder
  TOWUnloadedPin(TComponent* ARoot, TOWPinType AType, const std::string& APinIdentName,
                 const std::string& APinDisplayName, const std::string& ACreatedFrom);
  ~TOWUnloadedPin() override;
  // Drops every link, leaves the registry and deletes this.
  void Release();
  struct Link {
    TOWBasicPin* Pin;
    TOWBasicPin* After;
  };
  std::vector<Link> Links();

  std::string FDisplayName;
  std::string FIdentName;
  TComponent* FRoot = nullptr;
  TOWPinType FType;
  bool FDesignTime = false;
  std::mutex FLinksGuard;
  std::vector<Link> FConnectedPins;
  std::string FCreatedFrom;
  bool FOwnedByList = false;
  bool FInRemove = false;
  bool FInEditor = false;
};

}  // namespace tavrel
