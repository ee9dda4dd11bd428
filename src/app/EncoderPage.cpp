// The "MP3 Encoder" page: WAV files chosen by the user are encoded to files
// beside them in the chosen format (MP3, Ogg Vorbis, FLAC or Opus), with the
// encoders and settings the rip jobs use, one file per core at a time.
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "encoders/LameCoder.h"
#include "encoders/ParallelEncodes.h"
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
  // The page's batch reports through these events of the encoder component,
  // on the window's thread, whatever the format.
  Lame->OnBeginFile = [this](TLameCoder&, uint16_t, const std::string& Name) {
    LameBeginFile(Name);
  };
  Lame->OnProgress = [this](TLameCoder&, uint16_t Percent) { LameProgress(Percent); };
  Lame->OnEndFile = [this](TLameCoder&, uint16_t Num, const std::string& Name) {
    LameEndFile(Num, Name);
  };
  Lame->OnEndProcess = [this](TLameCoder&) { LameEndProcess(); };
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
  // "Cancel" enables Start again while the encoders finish their chunks; a
  // second run inside the first would write the same files twice over.
  if (RunningJob != TJob::None) return;
  RunningJob = TJob::Encoding;
  ShowJob(TJob::Encoding);
  // An error ends the run as its end does, before the error is shown.
  try {
    RunEncodes();
  } catch (...) {
    RunningJob = TJob::None;
    ShowJob(TJob::None);
    throw;
  }
  RunningJob = TJob::None;
  ShowJob(TJob::None);
}

void TfrmTolvar::RunEncodes() {
  const std::vector<std::string> Inputs = Lame->InputFiles();
  std::vector<std::string> Outputs = Lame->OutputFiles();
  TParallelEncodes::TEncodeFile Encode;
  if (EncoderType == 0) {
    Encode = Mp3FileEncoder(*Lame, Inputs, Outputs);
  } else {
    // The other formats: FLAC and Opus as the rips make them, or Ogg Vorbis.
    SetStreamEncoding();
    TStreamSettings Vorbis;
    Vorbis.Format = TStreamFormat::Vorbis;
    Vorbis.VorbisQuality = CDRipper->VorbisQuality;
    TWavEncoder Names;
    Names.Settings = CDRipper->StreamEncoding.value_or(Vorbis);
    Names.SetInputFiles(Inputs);
    Outputs = Names.OutputFiles();
    Encode = StreamFileEncoder(Names.Settings, Inputs);
  }
  for (int Row = 0; Row < ListBox2->count(); ++Row) ListBox2->item(Row)->setIcon(QIcon());

  TParallelEncodes Batch(Inputs, Outputs, std::move(Encode));
  // The workers' events run here, on the window's thread, in the order sent.
  auto Post = [this](auto Handler) {
    QMetaObject::invokeMethod(
        this, [Handler = std::move(Handler)] { Guard(Handler); }, Qt::QueuedConnection);
  };
  // The gauge shows the whole batch: the mean of the files' percentages.
  auto Percents = std::make_shared<std::vector<int>>(Inputs.size(), 0);
  Batch.OnBeginFile = [&, Post](size_t Index) {
    Post([this, Index, Name = Inputs[Index]] {
      if (Lame->OnBeginFile) Lame->OnBeginFile(*Lame, static_cast<uint16_t>(Index), Name);
    });
  };
  Batch.OnProgress = [&, Post, Percents](size_t Index, uint16_t Percent) {
    Post([this, Index, Percent, Percents, Name = Inputs[Index]] {
      (*Percents)[Index] = Percent;
      long long Sum = 0;
      for (int Each : *Percents) Sum += Each;
      if (Lame->OnProgress)
        Lame->OnProgress(*Lame,
                         static_cast<uint16_t>(Sum / static_cast<long long>(Percents->size())));
      ShowStatus("Progress: " + Name + ": " + std::to_string(Percent) + "%");
    });
  };
  Batch.OnEndFile = [&, Post](size_t Index) {
    Post([this, Index, Name = Outputs[Index]] {
      if (Lame->OnEndFile) Lame->OnEndFile(*Lame, static_cast<uint16_t>(Index), Name);
    });
  };
  Batch.OnFinished = [Post] { Post([] {}); };  // wakes the loop below

  Encodes = &Batch;
  struct TForget {
    TParallelEncodes*& Batch;
    ~TForget() { Batch = nullptr; }
  } Forget{Encodes};
  Batch.Start(DefaultEncodeJobs());
  // The window stays responsive, Cancel included, until the workers end.
  while (!Batch.Finished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QCoreApplication::processEvents();  // what the workers sent last
  Batch.Wait();
  if (!Batch.Canceled() && Lame->OnEndProcess) Lame->OnEndProcess(*Lame);
}

void TfrmTolvar::btnCancel2Click() {
  ShowJob(TJob::None);
  if (Encodes) Encodes->Cancel();
  Dialogs().MessageBox("Process stopped", "", TMsgKind::Information);
}

void TfrmTolvar::LameBeginFile(const std::string& FileName) {
  ShowStatus("Processing file " + FileName);
}

void TfrmTolvar::LameProgress(int Percent) {
  Gauge->setValue(Percent);
}

void TfrmTolvar::LameEndFile(int Num, const std::string& FileName) {
  // The row of a file that is complete gets a mark.
  const std::vector<std::string>& Inputs = Lame->InputFiles();
  if (Num < ListBox2->count() && static_cast<size_t>(Num) < Inputs.size() &&
      ToPath(ListBox2->item(Num)->text()) == Inputs[static_cast<size_t>(Num)])
    ListBox2->item(Num)->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
  ShowStatus("Finished file " + FileName);
}

void TfrmTolvar::LameEndProcess() {
  Gauge->setValue(0);
}

}  // namespace tolvar
