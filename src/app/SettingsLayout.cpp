// The " Encoding settings" page: preset and format lists, the MP3, Ogg, FLAC
// and Opus groups (one of them visible) and the preset buttons below them.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/MainUnit.h"

namespace tolvar {

namespace {

QComboBox* NewList(QWidget* Parent, const QStringList& Items) {
  auto* List = new QComboBox(Parent);
  List->addItems(Items);
  return List;
}

// A group holding one caption and one drop-down list side by side.
QGroupBox* LabelledList(QWidget* Parent, const QString& Caption, QComboBox*& List,
                        const QStringList& Items) {
  auto* Group = new QGroupBox(Parent);
  auto* Layout = new QHBoxLayout(Group);
  auto* Label = new QLabel(Caption, Group);
  List = NewList(Group, Items);
  Label->setBuddy(List);
  Layout->addWidget(Label);
  Layout->addWidget(List, 1);
  return Group;
}

// A settings group holding one caption and one number box from Min to Max.
QGroupBox* NumberGroup(QWidget* Parent, const QString& Title, const QString& Caption,
                       QSpinBox*& Box, int Min, int Max) {
  auto* Group = new QGroupBox(Title, Parent);
  auto* Layout = new QHBoxLayout(Group);
  auto* Label = new QLabel(Caption, Group);
  Box = new QSpinBox(Group);
  Box->setRange(Min, Max);
  Label->setBuddy(Box);
  Layout->addWidget(Label);
  Layout->addWidget(Box, 1);
  return Group;
}

}  // namespace

QWidget* TfrmTolvar::CreateSettingsPage() {
  auto* Page = new QWidget(PageControl2);
  auto* Layout = new QVBoxLayout(Page);
  Layout->setContentsMargins(4, 4, 4, 4);
  Layout->addWidget(LabelledList(Page, "Preset", cbPreset, {"Default"}));
  Layout->addWidget(LabelledList(Page, "Format", cbFormat, {"MP3", "Ogg", "FLAC", "Opus"}));
  GroupBox3 = new QGroupBox("MP3 settings", Page);
  CreateMp3Group();
  Layout->addWidget(GroupBox3);

  GroupBox7 = new QGroupBox("Ogg Vorbis settings", Page);
  auto* OggLayout = new QHBoxLayout(GroupBox7);
  auto* OggLabel = new QLabel("BitRate", GroupBox7);
  cbOggBitrate =
      NewList(GroupBox7, {"500", "320", "256", "224", "192", "160", "128", "112", "96", "80"});
  cbOggBitrate->setMaxVisibleItems(12);
  OggLabel->setBuddy(cbOggBitrate);
  OggLayout->addWidget(OggLabel);
  OggLayout->addWidget(cbOggBitrate, 1);
  Layout->addWidget(GroupBox7);
  gbFlac = NumberGroup(Page, "FLAC settings", "Compression level", seFlacLevel, 0, 8);
  Layout->addWidget(gbFlac);
  gbOpus = NumberGroup(Page, "Opus settings", "BitRate (kbit/s)", seOpusBitrate, 6, 510);
  Layout->addWidget(gbOpus);

  GroupBox5 = new QGroupBox(Page);
  auto* Buttons = new QVBoxLayout(GroupBox5);
  btnSavePreset = new QPushButton("Save preset", GroupBox5);
  Button1 = new QPushButton("Default settings", GroupBox5);
  Buttons->addWidget(btnSavePreset);
  Buttons->addWidget(Button1);
  Layout->addWidget(GroupBox5);
  Layout->addStretch(1);
  return Page;
}

QWidget* TfrmTolvar::CreateMp3Group() {
  auto* Grid = new QGridLayout(GroupBox3);
  auto AddLabel = [&](const QString& Caption, QWidget* Buddy, int Row, int Column) {
    auto* Label = new QLabel(Caption, GroupBox3);
    Label->setBuddy(Buddy);
    Grid->addWidget(Label, Row, Column);
    return Label;
  };
  cbBitRate = NewList(GroupBox3, {"320", "256", "192", "160", "128", "96"});
  cbMaxBitRate = NewList(GroupBox3, {"320", "256", "192", "160"});
  AddLabel("BitRate", cbBitRate, 0, 0);
  Grid->addWidget(cbBitRate, 0, 1);
  AddLabel("Max\nBitRate", cbMaxBitRate, 0, 2);
  Grid->addWidget(cbMaxBitRate, 0, 3);

  cbMode = NewList(GroupBox3, {"Stereo", "Joint stereo", "Dual channel"});
  AddLabel("Mode", cbMode, 1, 0);
  Grid->addWidget(cbMode, 1, 1, 1, 3);
  cbQuality = NewList(GroupBox3, {"Normal", "Low", "High", "Voice"});
  AddLabel("Quality", cbQuality, 2, 0);
  Grid->addWidget(cbQuality, 2, 1, 1, 3);

  cbVBR = new QCheckBox("VBR", GroupBox3);
  cbWriteVBRHeader = new QCheckBox("Write VBR header", GroupBox3);
  Grid->addWidget(cbVBR, 3, 0, 1, 2);
  Grid->addWidget(cbWriteVBRHeader, 3, 2, 1, 2);

  tbVBRQuality = new QSlider(Qt::Horizontal, GroupBox3);
  tbVBRQuality->setRange(0, 9);
  tbVBRQuality->setPageStep(1);
  tbVBRQuality->setTickInterval(1);
  tbVBRQuality->setTickPosition(QSlider::TicksAbove);
  Label7 = new QLabel("0", GroupBox3);
  Label7->setMinimumWidth(12);
  AddLabel("VBR Quality", tbVBRQuality, 4, 0);
  Grid->addWidget(tbVBRQuality, 4, 1, 1, 2);
  Grid->addWidget(Label7, 4, 3);

  cbCopyRight = new QCheckBox("Copyright", GroupBox3);
  cbCRC = new QCheckBox("CRC", GroupBox3);
  cbOriginal = new QCheckBox("Original", GroupBox3);
  cbPrivate = new QCheckBox("Private", GroupBox3);
  Grid->addWidget(cbCopyRight, 5, 0, 1, 2);
  Grid->addWidget(cbCRC, 5, 2, 1, 2);
  Grid->addWidget(cbOriginal, 6, 0, 1, 2);
  Grid->addWidget(cbPrivate, 6, 2, 1, 2);

  // The sample rate is fixed by the disc; its list stays hidden.
  cbSampleRate = NewList(GroupBox3, {"44100", "32000", "22050"});
  lblSampleRate = AddLabel("Sample\nRate", cbSampleRate, 7, 0);
  Grid->addWidget(cbSampleRate, 7, 1, 1, 3);
  cbSampleRate->hide();
  lblSampleRate->hide();
  return GroupBox3;
}

}  // namespace tolvar
