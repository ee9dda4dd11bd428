// Presets: INI files under the presets folder (subfolders included) holding
// what SaveSettings writes without the window part. "Default" stands for the
// factory defaults and has no file.
#include <QComboBox>
#include <algorithm>
#include <vector>

#include "app/MainUnit.h"
#include "app/QtText.h"
#include "encoders/LameCoder.h"
#include "util/Dialogs.h"
#include "util/FileFunctions.h"
#include "util/StringFunctions.h"

namespace tolvar {

namespace {

Qt::MatchFlags Exact() {
  return Qt::MatchFixedString | Qt::MatchCaseSensitive;
}

}  // namespace

void TfrmTolvar::SetDefaultSettings() {
  Lame->SetSampleRate(44100);
  Lame->SetBitrate(128);
  Lame->SetMaxBitrate(320);
  Lame->SetEnableVBR(false);
  Lame->SetCopyright(false);
  Lame->SetOriginal(false);
  Lame->SetCRC(true);
  Lame->SetVBRQuality(4);
  Lame->SetWriteVBRHeader(false);
  Lame->SetMode(TLameMode::STEREO);
  Lame->SetQuality(MPEG_QUALITY::NORMAL_QUALITY);
  Lame->SetPrivate(false);
  EncoderType = 0;
  SetOggQuality(6);
  FlacLevel = 5;
  OpusBitrate = 160;
}

void TfrmTolvar::FillPresetList() {
  const QString Remembered = cbPreset->currentText();
  cbPreset->clear();
  cbPreset->addItem("Default");
  std::vector<std::string> Files;
  ListFiles(Files, PresetDir, "", true, faAnyFile & ~faHidden);
  std::sort(Files.begin(), Files.end(),
            [](const std::string& A, const std::string& B) { return LowerCase(A) < LowerCase(B); });
  // Each item keeps its file's own name: "Pop.INI" is listed as "Pop" and
  // must still be found on a case-sensitive file system.
  for (const std::string& File : Files)
    if (ExtNoDot(File) == "ini") cbPreset->addItem(FromPath(StripExt(File)), FromPath(File));
  cbPreset->setCurrentIndex(cbPreset->findText(Remembered, Exact()));
}

void TfrmTolvar::cbPresetChange() {
  const int Index = cbPreset->currentIndex();
  if (Index > 0) {
    const QString File = cbPreset->currentData().toString();
    LoadSettings(PresetDir + "/" + ToPath(File.isEmpty() ? cbPreset->currentText() + ".ini" : File),
                 false);
  } else if (Index == 0) {
    SetDefaultSettings();
    SettingsToControls();
  }
  UpdateFormatPanels();
}

void TfrmTolvar::btnSavePresetClick() {
  std::string Name;
  do {
    Name.clear();
    if (!Dialogs().InputBox("Enter a name for the preset", "Preset name", Name)) return;
  } while (Name == "Default");
  if (Name.empty()) return;
  SaveSettings(PresetDir + "/" + Name + ".ini", false);
  FillPresetList();
  cbPreset->setCurrentIndex(cbPreset->findText(FromText(Name), Exact()));
}

void TfrmTolvar::Button1Click() {
  SetDefaultSettings();
  cbPreset->setCurrentIndex(0);
  SettingsToControls();
}

}  // namespace tolvar
