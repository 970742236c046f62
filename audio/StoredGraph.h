#pragma once
// The main window's audio graph as its form stores it: capture, the analysis
// tap, the four FIR filters and playback, with their stored values and pin
// links, in the order the window keeps them. The window's form text holds
// it, and the engine's tests and benchmarks read it on its own inside
// "object fmMain: TfmMain ... end".

namespace tavrel {

inline constexpr const char* kStoredGraphObjects = R"(  object ALAudioOut1: TALAudioOut
    Enabled = False
    Device.DeviceName = 'Default'
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALLowPass1.OutputPin
  end
  object ALAudioIn1: TALAudioIn
    Enabled = False
    Device.DeviceName = 'Default'
    AudioFormat.SampleRate = 44100
    AudioFormat.BufferSize = 512
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALGenericFilter1.InputPin
      fmMain.ALLowPass1.InputPin)
  end
  object ALGenericFilter1: TALGenericFilter
    OnProcessData = ALGenericFilter1ProcessData
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALAudioIn1.OutputPin
  end
  object ALBandStop1: TALBandStop
    Enabled = False
    Alpha = 1.000000000000000000
    FreqLow = 1000.000000000000000000
    FreqHigh = 2000.000000000000000000
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALLowPass1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALBandPass1.InputPin)
  end
  object ALBandPass1: TALBandPass
    Enabled = False
    Alpha = 1.000000000000000000
    FreqLow = 1000.000000000000000000
    FreqHigh = 2000.000000000000000000
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALBandStop1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALHighPass1.InputPin)
  end
  object ALLowPass1: TALLowPass
    Alpha = 1.000000000000000000
    Frequency = 1500.000000000000000000
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALAudioIn1.OutputPin
    OutputPin.Form = fmMain
    OutputPin.SinkPins = (
      fmMain.ALBandStop1.InputPin
      fmMain.ALAudioOut1.InputPin)
  end
  object ALHighPass1: TALHighPass
    Enabled = False
    Alpha = 1.000000000000000000
    Frequency = 5000.000000000000000000
    InputPin.Form = fmMain
    InputPin.SourcePin = fmMain.ALBandPass1.OutputPin
  end
)";

}  // namespace tavrel
