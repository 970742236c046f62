#pragma once
// Pin lists: a component's pins kept as one published list of named
// members, for components whose pin count changes (a mixer's inputs).
//
//   class TMixer : public TLPComponent {
//     TOWPinList FInputs{this, /*IsPinsOwner=*/true};   // published as Inputs
//   };
//   mixer->Inputs()->Add(std::make_unique<TMySinkPin>(mixer), "Left");
//   mixer->Inputs()->Count();        // 1
//   mixer->Inputs()->GetPinName(0);  // "Left"; "Pin [0]" for an empty name
//
// A pin held by a list of its own owner is named after the list:
// fmMain.Mixer1.Inputs.Left (display), fmMain.Mixer1.Inputs._Pin0
// (identifier, by index).
//
// An owning list destroys its pins when they leave it. A placeholder
// (TOWUnloadedPin) stands in an entry for a pin that form data names
// before it is added; the unloaded-pin registry alone owns it, and
// deleting its entry destroys it through the registry. The next real pin
// added takes the first placeholder's entry and its recorded links. Once
// the owner is neither loading nor designed, the first Count or GetPin
// drops every placeholder left. A pin destroyed elsewhere leaves every
// list that holds it.
//
// Changes are reported to the pin-event listeners (OWPins.h):
// PinListPinAdded / PinListPinRemoved / PinListPinsSwapped, then
// PinListChanged.
//
// Form data, beside the pins' own (OWPinStreaming.h):
//   Inputs.Form = fmMain        the root the names were stored under
//   Inputs.Pins = (             one entry per pin, by index:
//     nil                         no link
//     Sinks (fmMain.F.InputPin)   a source and its sink entries
//     fmMain.In.OutputPin         a sink and its source value
//     Sources (fmMain.In.OutputPin)  a pin linked to each named source
//     State ('fmMainLink1' ...))  a state link, then the pin's other links
// "PinsOwner" (a Boolean of older data) is read and dropped. An entry for
// an index the list does not hold yet appends placeholders named
// <root>.<owner>.Inputs._Pin<i> up to it.
//
// Lines change only under an inner guard that is never held while other
// code runs, so a pin going on any thread can leave a list safely.
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "framework/OWPins.h"
#include "platform/stringlist.h"

namespace tavrel {

class TOWUnloadedPin;

class TOWPinList : public TOWObject {
  TAVREL_CLASS_INFO
 public:
  TOWPinList(TComponent* AOwner, bool IsPinsOwner, Ref<IOWLock> AOwnerLock = nullptr);
  ~TOWPinList() override;
  TOWPinList(const TOWPinList&) = delete;
  TOWPinList& operator=(const TOWPinList&) = delete;

  TComponent* Owner() const { return FOwner; }
  bool PinsOwner() const { return FPinsOwner; }
  // Sections on the list's lock with the owner's lock as slave.
  Ref<IOWLockSection> ReadLock() override;
  Ref<IOWLockSection> WriteLock() override;

  // Pins without placeholders (dropped first when the owner is neither
  // loading nor designed).
  int Count();
  void SetCount(int) {}  // published; the count follows the pins
  TOWBasicPin* GetPin(int Index);
  // Puts APin in entry Index, name unchanged.
  void SetPin(int Index, TOWBasicPin* APin);
  // The entry's name, or "Pin [i]" when it is empty.
  std::string GetPinName(int Index);
  // "Pin [i]" is kept as an empty name.
  void SetPinNameAt(int Index, const std::string& AName);
  void SetPinName(TOWBasicPin* APin, const std::string& AName);
  // The list's property path in its owner.
  std::string GetName();
  int UnloadedCount();
  int LastIndicatedCount() const { return FLastIndicatedCount; }
  void SetLastIndicatedCount(int ACount) { FLastIndicatedCount = ACount; }

  int Add(TOWBasicPin* Item);
  int AddNamed(TOWBasicPin* Item, const std::string& AName);
  // An owning list takes the pin over; a list that does not own its pins
  // refuses it (EOWException) and the pin goes.
  template <class P>
  P* Add(std::unique_ptr<P> Item, const std::string& AName = {}) {
    RequireOwning();
    P* p = Item.release();
    AName.empty() ? Add(p) : AddNamed(p, AName);
    return p;
  }
  void Insert(int Index, TOWBasicPin* Item);
  void InsertNamed(int Index, TOWBasicPin* Item, const std::string& AName);
  void Delete(int Index);
  void Remove(TOWBasicPin* Item);  // every entry holding Item
  void Swap(int Index1, int Index2);
  int IndexOf(const TOWBasicPin* Item);
  void Clear();
  void Disconnect();  // every pin drops its links

  // "Form", "Pins" and "PinsOwner" in form data.
  void DefineProperties(TFiler& Filer) override;
  void ReadPins(TReader& Reader);
  void WritePins(TWriter& Writer);
  bool HasConnectedPins();
  const std::string& LoadFormName() const { return FLoadFormName; }
  // A name stored under the root name read from "Form" followed by "."
  // follows the current root of the owner.
  std::string ReRootName(const std::string& AName);

 private:
  friend void ForgetPinInPinLists(TOWBasicPin* APin);
  struct Pending {  // a state link named for a placeholder's entry
    TOWBasicPin* Placeholder;
    std::string LinkName;
  };
  struct Gone {  // a pin taken out of the list
    TOWBasicPin* Pin;
    bool Placeholder;
  };

  int StoredCount() const;
  void RequireOwning() const;
  // Drops placeholder entries when the owner is neither loading nor designed.
  void PurgeUnloaded();
  // Under FLinesGuard.
  bool IsPlaceholderEntry(const TOWBasicPin* APin);
  Gone TakeOut(TOWBasicPin* APin);
  std::vector<TOWBasicPin*> Snapshot();
  // Every entry of a pin that goes, without touching the pin.
  void Forget(TOWBasicPin* APin);
  // Placeholders go through the registry, an owning list's pins are
  // destroyed, other pins lose this list.
  void Dispose(const std::vector<Gone>& APins);
  void TakeOwnerPinList(TOWBasicPin* Item);
  void Added(TOWBasicPin* Item, int AIndex);
  void JoinPendingStateLinks(TOWBasicPin* APlaceholder, TOWBasicPin* AItem);
  std::string RootName();

  // Reading "Pins".
  void ReadEntry(TReader& Reader, int AIndex);
  void ReadConnections(TReader& Reader, int AIndex);
  void ReadNamedConnections(TReader& Reader, int AIndex, const std::string& AIdent);
  std::string EntryName(int AIndex);  // <root>.<owner>.<list>._Pin<i>
  TOWBasicPin* ListPinAt(int AIndex, TOWPinType AType);
  void LinkListPin(int AIndex, TOWPinType AType, TOWPinType AOtherType, const std::string& AIdent,
                   const std::string& ADisplay, const std::string& AAfter = {});
  void WriteEntry(TWriter& Writer, TOWBasicPin* APin);

  TComponent* FOwner;
  Ref<IOWLock> FOwnerLock;
  mutable std::recursive_mutex FLinesGuard;
  TStringList FPinsList;
  std::vector<TOWBasicPin*> FUnloaded;  // placeholders held, not owned
  std::vector<Pending> FPendingStates;
  bool FPinsOwner;
  int FLastIndicatedCount = -1;
  std::string FLoadFormName;
  bool FInUnload = false;
};

// Every pin list that holds APin drops it (a pin's destructor).
void ForgetPinInPinLists(TOWBasicPin* APin);
// The pin lists alive, in creation order.
std::vector<TOWPinList*> PinLists();

}  // namespace tavrel
