#include "app/frmMain.h"

#include <string>

#include "audio/StoredGraph.h"

namespace tavrel {

// The window as stored: its controls, then the audio graph with its links.
const std::string& TfmMain::FormText() {
  static const std::string text = R"(object fmMain: TfmMain
  Caption = 'Tavrel'
  ClientHeight = 360
  ClientWidth = 440
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  OnCreate = FormCreate
  OnCloseQuery = FormCloseQuery
  object pnlAudioRec1: TAdvToolPanel
    Left = 0
    Top = 0
    Width = 441
    Height = 201
    Caption = 'Param'#232'tres'
    ColorTo = 13007698
    NoFocusCaptionColor = 14059353
    ShowClose = False
    ShowLock = False
    TabOrder = 0
    object Label3: TLabel
      Left = 8
      Top = 32
      Caption = 'Interface audio d'#39'entr'#233'e'
      Transparent = True
    end
    object lblDeviceLine: TLabel
      Left = 280
      Top = 32
      Caption = 'Entr'#233'e audio'
      Transparent = True
    end
    object Label4: TLabel
      Left = 8
      Top = 72
      Caption = 'Interface audio de sortie'
      Transparent = True
    end
    object Label6: TLabel
      Left = 304
      Top = 72
      Caption = 'Taille buffer d'#39'entr'#233'e'
      Transparent = True
    end
    object Label2: TLabel
      Left = 8
      Top = 112
      Caption = 'Fr'#233'quence '#233'chantillonnage'
      Transparent = True
    end
    object Label1: TLabel
      Left = 198
      Top = 181
      Caption = 'Filtrage :'
      Transparent = True
    end
    object lblFilter: TLabel
      Left = 244
      Top = 181
      Caption = 'LP'
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsBold]
      ParentFont = False
      Transparent = True
    end
    object lstInDevices: TAdvComboBox
      Left = 8
      Top = 48
      Width = 265
      Height = 21
      Style = csDropDownList
      Color = 16771030
      DropWidth = 0
      Font.Height = -11
      Hint = 'Interface d'#39'entr'#233'e audio'
      ShowHint = True
      TabOrder = 0
      OnChange = lstInDevicesChange
    end
    object lstInDeviceLines: TAdvComboBox
      Left = 280
      Top = 48
      Width = 153
      Height = 21
      Style = csDropDownList
      Color = 16771030
      DropWidth = 0
      Font.Height = -11
      Hint = 'Interface d'#39'entr'#233'e audio'
      ShowHint = True
      TabOrder = 1
      OnChange = lstInDeviceLinesChange
    end
    object lstOutDevices: TAdvComboBox
      Left = 8
      Top = 88
      Width = 289
      Height = 21
      Style = csDropDownList
      Color = 16771030
      DropWidth = 0
      Font.Height = -11
      Hint = 'Interface d'#39'entr'#233'e audio'
      ShowHint = True
      TabOrder = 2
      OnChange = lstOutDevicesChange
    end
    object edInputBufferSize: TAdvSpinEdit
      Left = 304
      Top = 88
      Width = 129
      Height = 22
      Color = 16771030
      Direction = spHorizontal
      FocusColor = clNone
      MaxValue = 8192
      MinValue = 32
      Value = 512
      TabOrder = 3
      OnChange = edInputBufferSizeChange
    end
    object lstSampleRate: TAdvComboBox
      Left = 8
      Top = 128
      Width = 153
      Height = 21
      Style = csDropDownList
      Color = 16771030
      DropWidth = 0
      Font.Height = -11
      Hint = 'Interface d'#39'entr'#233'e audio'
      ShowHint = True
      Items.Strings = (
        '8000'
        '11025'
        '22050'
        '32000'
        '44100'
        '48000'
        '96000'
        '192000')
      TabOrder = 4
      OnChange = lstSampleRateChange
    end
    object cbFilterLowPass: THTMLCheckBox
      Left = 9
      Top = 155
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Passe-bas'
      Checked = True
      Transparent = True
      OnClick = cbFilterLowPassClick
    end
    object cbFilterBandStop: THTMLCheckBox
      Left = 102
      Top = 155
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Rejecteur'
      Transparent = True
      OnClick = cbFilterLowPassClick
    end
    object cbFilterBandPass: THTMLCheckBox
      Left = 198
      Top = 155
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Passe-bande'
      Transparent = True
      OnClick = cbFilterLowPassClick
    end
    object cbFilterHighPass: THTMLCheckBox
      Left = 304
      Top = 155
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Passe-haut'
      Transparent = True
      OnClick = cbFilterLowPassClick
    end
    object btnActivate: THTMLCheckBox
      Left = 9
      Top = 174
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Activer'
      Checked = True
      Transparent = True
      OnClick = btnActivateClick
    end
    object cbBypass: THTMLCheckBox
      Left = 102
      Top = 174
      Width = 98
      Height = 20
      Alignment = taLeftJustify
      ButtonType = btWinXP
      Caption = 'Bypass'
      Enabled = False
      Transparent = True
      OnClick = cbBypassClick
    end
  end
  object pnlInOut: TAdvToolPanel
    Left = 0
    Top = 200
    Width = 441
    Height = 161
    Caption = 'Historique Entr'#233'e / Sortie'
    ColorTo = 13007698
    NoFocusCaptionColor = 14059353
    ShowClose = False
    ShowLock = False
    TabOrder = 1
    object VrLabel1: TVrLabel
      Left = 4
      Top = 32
      Width = 17
      Height = 57
      Angle = 90
      Caption = 'Entr'#233'e'
      Font.Color = clNavy
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      Style = lsNone
      Transparent = True
    end
    object VrLabel2: TVrLabel
      Left = 4
      Top = 96
      Width = 17
      Height = 57
      Angle = 90
      Caption = 'Sortie'
      Font.Color = clNavy
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = [fsBold]
      ParentFont = False
      Style = lsNone
      Transparent = True
    end
    object GraphAudioIn: TChart
      Left = 24
      Top = 32
      Width = 409
      Height = 57
      Color = clBlack
      MarginLeft = 0
      MarginTop = 0
      MarginRight = 0
      MarginBottom = 0
      LeftAxis.Visible = False
      LeftAxis.Minimum = 0
      LeftAxis.Maximum = 100
      BottomAxis.Visible = False
      BottomAxis.Minimum = 0
      BottomAxis.Maximum = 256
      object Series1: TBarSeries
        SeriesColor = clBlack
      end
      object Series2: TBarSeries
        SeriesColor = clBlack
        BarPen.Color = clRed
        BarPen.Visible = True
      end
      object Series3: TBarSeries
        SeriesColor = clBlack
      end
      object Series4: TBarSeries
        SeriesColor = clLime
      end
      object Series5: TBarSeries
        SeriesColor = clBlack
      end
      object Series11: TFastLineSeries
        SeriesColor = clLime
      end
      object Series12: TFastLineSeries
        SeriesColor = clLime
      end
      object Series13: TFastLineSeries
        SeriesColor = clRed
      end
      object Series14: TFastLineSeries
        SeriesColor = clRed
      end
    end
    object GraphAudioOut: TChart
      Left = 24
      Top = 96
      Width = 409
      Height = 57
      Color = clBlack
      MarginLeft = 0
      MarginTop = 0
      MarginRight = 0
      MarginBottom = 0
      LeftAxis.Visible = False
      LeftAxis.Minimum = 0
      LeftAxis.Maximum = 100
      BottomAxis.Visible = False
      BottomAxis.Minimum = 0
      BottomAxis.Maximum = 256
      object Series6: TBarSeries
        SeriesColor = clBlack
      end
      object Series7: TBarSeries
        SeriesColor = clBlack
        BarPen.Color = clRed
        BarPen.Visible = True
      end
      object Series8: TBarSeries
        SeriesColor = clBlack
      end
      object Series9: TBarSeries
        SeriesColor = clLime
      end
      object Series10: TBarSeries
        SeriesColor = clBlack
      end
      object Series15: TFastLineSeries
        SeriesColor = clLime
      end
      object Series16: TFastLineSeries
        SeriesColor = clLime
      end
      object Series17: TFastLineSeries
        SeriesColor = clRed
      end
      object Series18: TFastLineSeries
        SeriesColor = clRed
      end
    end
  end
)" + std::string(kStoredGraphObjects) + "end\n";
  return text;
}

}  // namespace tavrel
