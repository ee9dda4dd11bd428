// The settings page's behaviour: every control stores its value at once into
// the encoder, the ripper or the window state, and clears the preset
// selection when that value changes; SettingsToControls shows the stored state.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "encoders/LameCoder.h"
#include "ripper/CDRipper.h"

namespace tolvar {

namespace {

// Selects the item whose text is Value in decimal; none when no item is.
void SelectNumber(QComboBox* List, long long Value) {
  List->setCurrentIndex(List->findText(QString::number(Value), Qt::MatchFixedString));
}

// Selects item Index; none when the list has no such item.
void SelectIndex(QComboBox* List, int Index) {
  List->setCurrentIndex(Index >= 0 && Index < List->count() ? Index : -1);
}

}  // namespace

void TfrmTolvar::ConnectSettingsPage() {
  auto OnPick = [this](QComboBox* List, void (TfrmTolvar::*Handler)()) {
    connect(List, &QComboBox::activated, this, Guarded([this, Handler] { (this->*Handler)(); }));
  };
  OnPick(cbPreset, &TfrmTolvar::cbPresetChange);
  OnPick(cbFormat, &TfrmTolvar::cbFormatChange);
  OnPick(cbOggBitrate, &TfrmTolvar::cbOggBitrateChange);
  OnPick(cbBitRate, &TfrmTolvar::cbBitRateChange);
  OnPick(cbMaxBitRate, &TfrmTolvar::cbMaxBitRateChange);
  OnPick(cbMode, &TfrmTolvar::cbModeChange);
  OnPick(cbQuality, &TfrmTolvar::cbQualityChange);
  OnPick(cbSampleRate, &TfrmTolvar::cbSampleRateChange);

  auto OnClick = [this](QAbstractButton* Button, void (TfrmTolvar::*Handler)()) {
    connect(Button, &QAbstractButton::clicked, this,
            Guarded([this, Handler] { (this->*Handler)(); }));
  };
  OnClick(cbVBR, &TfrmTolvar::cbVBRClick);
  OnClick(cbWriteVBRHeader, &TfrmTolvar::cbWriteVBRHeaderClick);
  OnClick(cbCopyRight, &TfrmTolvar::cbCopyRightClick);
  OnClick(cbCRC, &TfrmTolvar::cbCRCClick);
  OnClick(cbOriginal, &TfrmTolvar::cbOriginalClick);
  OnClick(cbPrivate, &TfrmTolvar::cbPrivateClick);
  OnClick(btnSavePreset, &TfrmTolvar::btnSavePresetClick);
  OnClick(Button1, &TfrmTolvar::Button1Click);
  connect(tbVBRQuality, &QSlider::valueChanged, this, Guarded([this] { tbVBRQualityChange(); }));
  connect(seFlacLevel, &QSpinBox::valueChanged, this, Guarded([this] { seFlacLevelChange(); }));
  connect(seOpusBitrate, &QSpinBox::valueChanged, this, Guarded([this] { seOpusBitrateChange(); }));

  // A radio button's handler runs when it becomes selected, also when the
  // stored state selects it.
  auto OnSelect = [this](QRadioButton* Button, void (TfrmTolvar::*Handler)()) {
    connect(Button, &QRadioButton::toggled, this, [this, Handler](bool Checked) {
      if (Checked) Guard([this, Handler] { (this->*Handler)(); });
    });
  };
  OnSelect(rbModeEncode, &TfrmTolvar::rbModeEncodeClick);
  OnSelect(rbModeWav, &TfrmTolvar::rbModeWavClick);
  OnSelect(rbSeparateTracks, &TfrmTolvar::rbSeparateTracksClick);
  OnSelect(rbSingleTrack, &TfrmTolvar::rbSingleTrackClick);
}

void TfrmTolvar::ChangeRule(bool Differs) {
  if (Differs) cbPreset->setCurrentIndex(-1);
}

void TfrmTolvar::SetOggQuality(int Index) {
  OggQuality = Index;
  CDRipper->VorbisQuality = static_cast<float>(10 - Index) / 10.0f;
}

void TfrmTolvar::cbBitRateChange() {
  const uint32_t Value = cbBitRate->currentText().toUInt();
  ChangeRule(Value != Lame->Bitrate());
  Lame->SetBitrate(Value);
}

void TfrmTolvar::cbMaxBitRateChange() {
  const uint32_t Value = cbMaxBitRate->currentText().toUInt();
  ChangeRule(Value != Lame->MaxBitrate());
  Lame->SetMaxBitrate(Value);
}

void TfrmTolvar::cbModeChange() {
  const auto Value = static_cast<TLameMode>(cbMode->currentIndex());
  ChangeRule(Value != Lame->Mode());
  Lame->SetMode(Value);
}

void TfrmTolvar::cbQualityChange() {
  const auto Value = static_cast<MPEG_QUALITY>(cbQuality->currentIndex());
  ChangeRule(Value != Lame->Quality());
  Lame->SetQuality(Value);
}

void TfrmTolvar::cbSampleRateChange() {
  const uint32_t Value = cbSampleRate->currentText().toUInt();
  ChangeRule(Value != Lame->SampleRate());
  Lame->SetSampleRate(Value);
}

void TfrmTolvar::cbVBRClick() {
  ChangeRule(cbVBR->isChecked() != Lame->EnableVBR());
  Lame->SetEnableVBR(cbVBR->isChecked());
  // The encoder turns its VBR header on and off with VBR; show that.
  cbWriteVBRHeader->setChecked(Lame->WriteVBRHeader());
}

void TfrmTolvar::cbWriteVBRHeaderClick() {
  ChangeRule(cbWriteVBRHeader->isChecked() != Lame->WriteVBRHeader());
  Lame->SetWriteVBRHeader(cbWriteVBRHeader->isChecked());
}

void TfrmTolvar::cbCopyRightClick() {
  ChangeRule(cbCopyRight->isChecked() != Lame->Copyright());
  Lame->SetCopyright(cbCopyRight->isChecked());
}

void TfrmTolvar::cbCRCClick() {
  ChangeRule(cbCRC->isChecked() != Lame->CRC());
  Lame->SetCRC(cbCRC->isChecked());
}

void TfrmTolvar::cbOriginalClick() {
  ChangeRule(cbOriginal->isChecked() != Lame->Original());
  Lame->SetOriginal(cbOriginal->isChecked());
}

void TfrmTolvar::cbPrivateClick() {
  ChangeRule(cbPrivate->isChecked() != Lame->Private());
  Lame->SetPrivate(cbPrivate->isChecked());
}

void TfrmTolvar::tbVBRQualityChange() {
  const int Value = tbVBRQuality->value();
  ChangeRule(Value != Lame->VBRQuality());
  Lame->SetVBRQuality(Value);
  Label7->setText(QString::number(Value));
}

void TfrmTolvar::cbFormatChange() {
  const int Index = cbFormat->currentIndex();
  ChangeRule(Index != EncoderType);
  EncoderType = Index;
  UpdateFormatPanels();
}

void TfrmTolvar::cbOggBitrateChange() {
  const int Index = cbOggBitrate->currentIndex();
  if (Index == OggQuality) return;
  ChangeRule(true);
  SetOggQuality(Index);
}

void TfrmTolvar::seFlacLevelChange() {
  ChangeRule(seFlacLevel->value() != FlacLevel);
  FlacLevel = seFlacLevel->value();
}

void TfrmTolvar::seOpusBitrateChange() {
  ChangeRule(seOpusBitrate->value() != OpusBitrate);
  OpusBitrate = seOpusBitrate->value();
}

void TfrmTolvar::rbModeEncodeClick() {
  CDRipper->Encode = true;
  CDRipper->WriteWAV = false;
}

void TfrmTolvar::rbModeWavClick() {
  CDRipper->WriteWAV = true;
  CDRipper->Encode = false;
}

void TfrmTolvar::rbSeparateTracksClick() {
  SingleTrack = false;
}

void TfrmTolvar::rbSingleTrackClick() {
  SingleTrack = true;
}

void TfrmTolvar::SettingsToControls() {
  SelectNumber(cbBitRate, Lame->Bitrate());
  SelectNumber(cbMaxBitRate, Lame->MaxBitrate());
  cbVBR->setChecked(Lame->EnableVBR());
  cbCopyRight->setChecked(Lame->Copyright());
  cbOriginal->setChecked(Lame->Original());
  cbCRC->setChecked(Lame->CRC());
  {
    // A stored quality beyond the bar's range stays in the encoder; the bar
    // shows its nearest end and the label the stored number.
    const QSignalBlocker Quiet(tbVBRQuality);
    tbVBRQuality->setValue(Lame->VBRQuality());
    Label7->setText(QString::number(Lame->VBRQuality()));
  }
  cbWriteVBRHeader->setChecked(Lame->WriteVBRHeader());
  SelectIndex(cbMode, static_cast<int>(Lame->Mode()));
  SelectIndex(cbQuality, static_cast<int>(Lame->Quality()));
  cbPrivate->setChecked(Lame->Private());
  SelectNumber(cbSampleRate, Lame->SampleRate());
  rbModeEncode->setChecked(CDRipper->Encode);
  rbModeWav->setChecked(CDRipper->WriteWAV);
  rbSeparateTracks->setChecked(!SingleTrack);
  rbSingleTrack->setChecked(SingleTrack);
  SelectIndex(cbFormat, EncoderType);
  SelectIndex(cbOggBitrate, OggQuality);
  {
    const QSignalBlocker QuietFlac(seFlacLevel), QuietOpus(seOpusBitrate);
    seFlacLevel->setValue(FlacLevel);
    seOpusBitrate->setValue(OpusBitrate);
  }
  UpdateFormatPanels();
}

void TfrmTolvar::UpdateFormatPanels() {
  // The page's layout keeps the preset buttons below whichever group shows.
  GroupBox3->setVisible(EncoderType == 0);
  gbFlac->setVisible(EncoderType == 2);
  gbOpus->setVisible(EncoderType == 3);
  GroupBox7->setVisible(GroupBox3->isHidden() && gbFlac->isHidden() && gbOpus->isHidden());
  GroupBox5->show();
}

}  // namespace tolvar
