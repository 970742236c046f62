#pragma once
// The readable text form of form data, compiled into the binary stream of
// forms.h. The main window is described this way.
//
//   object fmMain: TFMMain            // "object Name: Class", "end" closes it
//     Caption = 'Tavrel'             // 'text' with '' for a quote; #233 is é
//     Width = 409                    // integers: 12, -3, $FF
//     Gain = 0.5                     // floats: 1.5, -2e3 (stored as extended)
//     Visible = True                 // True, False, nil, Null, other identifiers
//     Style = [fsBold, fsItalic]     // sets
//     Items.Strings = ('one' 'two')  // lists; dotted property paths
//     Data = {0A0BFF}                // binary
//     Devices = <                    // collections
//       item
//         Name = 'In'
//       end>
//     object ALLowPass1: TALLowPass  // components stored inside
//       OnProcessData = ALLowPass1ProcessData
//     end
//   end
//
// "+" joins string pieces; "//" starts a comment to the end of the line.
// A syntax error raises EReadError with its line and column.
#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrel {

std::vector<uint8_t> ObjectTextToBinary(std::string_view text);

}  // namespace tavrel
