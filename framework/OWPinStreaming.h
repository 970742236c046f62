#pragma once
// Pin links in form data. A pin is a sub-object of its component, so its
// link values are stored under the pin property's name:
//
//   InputPin.Form = fmMain
//   InputPin.SourcePin = fmMain.ALLowPass1.OutputPin
//   OutputPin.Form = fmMain
//   OutputPin.SinkPins = (fmMain.ALBandStop1.InputPin fmMain.ALAudioOut1.InputPin)
//
// "Form" (every pin) holds the root name the links were stored under;
// "SinkPins" (source pins) one entry per sink in link order; "SourcePin"
// (sink pins) the real source, beyond any converter in the link. A pin
// name is an identifier, or a list (identifier, display string) when the
// two names differ. A sink entry with an after-pin is a list (identifier,
// after-pin identifier[, display string]); a source with an after-pin is
// ((name) after-pin identifier).
//
// State links are stored by name:
//
//   EnablePin.State = 'fmMainLink1'          or ('fmMainLink1' <names of
//                                             members on other forms>)
//   Text.StateConverter = ('Levels' '{from-type GUID}' '{to-type GUID}')
//
// "State" (every pin in a state link) names the link; a link that refuses
// the pin reading it (a type it cannot carry) is the reader's "invalid
// property value" error, and the pin keeps its links; a sink reached
// through a format converter stores "StateConverter" instead: the link and
// the converter's pair of data types. Reading it makes the converter again;
// a pair with no registered converter, or a converter that cannot feed the
// pin, is the reader's "invalid property value" error and leaves the pin
// without a state link; a malformed GUID is the GUID conversion error.
//
// Reading: every name stored under the "Form" root name followed by "."
// is re-rooted to the pin's current root, so a form read as fmMain_1 links
// inside fmMain_1. Before reading any link the pin adopts the placeholders
// that stand for it (OWPinNames.h); a name with no pin yet makes one.
// Both ends store a link, so whichever end is read first makes it and the
// other finds it made. A value of another type raises the reader's
// "invalid property value" error; links already made stay consistent.
//
// The declarations live on the pin classes (OWPins.h); this header names
// the pieces shared with pin lists.
#include <string>

#include "framework/LPProperties.h"  // IsStringValue
#include "framework/OWPins.h"

namespace tavrel {

// A pin name value: an identifier, or (identifier, display string).
void WritePinNameValue(TWriter& Writer, const std::string& AIdentName, const std::string& ADisplayName);
void ReadPinNameValue(TReader& Reader, std::string& AIdentName, std::string& ADisplayName);

// One sink entry: an identifier, or (identifier [after-pin identifier]
// [display string]). AAfterName is empty without an after-pin.
void ReadSinkEntry(TReader& Reader, std::string& AIdentName, std::string& ADisplayName, std::string& AAfterName);
// A source value: a pin name value, or ((name value) after-pin identifier).
void ReadSourceValue(TReader& Reader, std::string& AIdentName, std::string& ADisplayName, std::string& AAfterName);
// The name of a stored state link: a string, or (string, names of the
// members on other forms...), whose names are dropped.
std::string ReadStateLinkName(TReader& Reader);

// AName with its leading ALoadFormName "." replaced by ARootName ".";
// other names as they are.
std::string ReRootName(const std::string& AName, const std::string& ALoadFormName, const std::string& ARootName);

}  // namespace tavrel
