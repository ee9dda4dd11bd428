// The "MP3 Encoder" page: WAV files chosen by the user are encoded to files
// beside them in the chosen format (MP3, Ogg Vorbis, FLAC or Opus), with the
// encoders and settings the rip jobs use.
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "encoders/LameCoder.h"
#include "encoders/WavEncoder.h"
#include "ripper/CDRipper.h"
#include "util/Dialogs.h"

namespace tolvar {

QWidget* TfrmTolvar::CreateEncoderPage() {
  auto* Page = new QWidget(PageControl);
  auto* Layout = new QHBoxLayout(Page);
  Layout->setContentsMargins(4, 4, 4, 4);
  ListBox2 = new QListWidget(Page);
  Layout->addWidget(ListBox2, 1);
  auto* Buttons = new QVBoxLayout;
  Button3 = new QPushButton("Open wav file(s)", Page);
  btnStart2 = new QPushButton("Start", Page);
  btnStart2->setDefault(true);
  btnCancel2 = new QPushButton("Cancel", Page);
  btnCancel2->setEnabled(false);
  Buttons->addWidget(Button3);
  Buttons->addStretch(1);
  Buttons->addWidget(btnStart2);
  Buttons->addWidget(btnCancel2);
  Layout->addLayout(Buttons);

  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setFileMode(QFileDialog::ExistingFiles);
  OpenDialog1->setNameFilters({"All files (*.*)", "Wav files (*.wav)"});
  OpenDialog1->selectNameFilter("Wav files (*.wav)");
  OpenDialog1->setSizeGripEnabled(true);
  return Page;
}

void TfrmTolvar::ConnectEncoderPage() {
  connect(Button3, &QPushButton::clicked, this, Guarded([this] { Button3Click(); }));
  connect(btnStart2, &QPushButton::clicked, this, Guarded([this] { btnStart2Click(); }));
  connect(btnCancel2, &QPushButton::clicked, this, Guarded([this] { btnCancel2Click(); }));
  Lame->OnBeginFile = [this](TLameCoder&, uint16_t, const std::string& Name) {
    LameBeginFile(Name);
  };
  Lame->OnProgress = [this](TLameCoder&, uint16_t Percent) { LameProgress(Percent); };
  Lame->OnEndProcess = [this](TLameCoder&) { LameEndProcess(); };
  WavEncoder->OnBeginFile = [this](uint16_t, const std::string& Name) { LameBeginFile(Name); };
  WavEncoder->OnProgress = [this](uint16_t Percent) { LameProgress(Percent); };
  WavEncoder->OnEndProcess = [this] { LameEndProcess(); };
}

void TfrmTolvar::Button3Click() {
  if (OpenDialog1->exec() != QDialog::Accepted) return;
  const QStringList Chosen = OpenDialog1->selectedFiles();
  std::vector<std::string> Paths;
  for (const QString& Path : Chosen) Paths.push_back(ToPath(Path));
  Lame->SetInputFiles(Paths);
  ListBox2->clear();
  ListBox2->addItems(Chosen);
}

void TfrmTolvar::btnStart2Click() {
  // "Cancel" enables Start again while the encoder finishes its chunk; a
  // second run inside the first would write the same files twice over.
  if (RunningJob != TJob::None) return;
  RunningJob = TJob::Encoding;
  ShowJob(TJob::Encoding);
  // An error ends the run as its end does, before the error is shown.
  try {
    if (EncoderType == 0) {
      Lame->EncodeFiles();
    } else {
      // The other formats: FLAC and Opus as the rips make them, or Ogg Vorbis.
      SetStreamEncoding();
      TStreamSettings Settings;
      Settings.Format = TStreamFormat::Vorbis;
      Settings.VorbisQuality = CDRipper->VorbisQuality;
      WavEncoder->Settings = CDRipper->StreamEncoding.value_or(Settings);
      WavEncoder->SetInputFiles(Lame->InputFiles());
      WavEncoder->EncodeFiles();
    }
  } catch (...) {
    RunningJob = TJob::None;
    ShowJob(TJob::None);
    throw;
  }
  RunningJob = TJob::None;
  ShowJob(TJob::None);
}

void TfrmTolvar::btnCancel2Click() {
  ShowJob(TJob::None);
  Lame->Cancel();
  WavEncoder->Cancel();
  Dialogs().MessageBox("Process stopped", "", TMsgKind::Information);
}

void TfrmTolvar::LameBeginFile(const std::string& FileName) {
  ShowStatus("Processing file " + FileName);
}

void TfrmTolvar::LameProgress(int Percent) {
  Gauge->setValue(Percent);
  ShowStatus("Progress: " + std::to_string(Percent) + "%");
}

void TfrmTolvar::LameEndProcess() {
  Gauge->setValue(0);
}

}  // namespace tolvar
