// The parallel batch: a failure leaves what a run of one file after another
// leaves, and Cancel stops every running file with no thread left behind.
#include "encoders/ParallelEncodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "EncoderTestSupport.h"
#include "TestSupport.h"
#include "encoders/LameCoder.h"

using namespace tolvar;
using namespace tolvar::testing;
using tolvar::fixtures::FileExists;
using tolvar::fixtures::TTempDir;
using tolvar::fixtures::WriteFile;

TEST(ParallelEncodes, FailureFinishesEarlierFilesAndRemovesLaterOnes) {
  TTempDir Dir;
  std::vector<std::string> Inputs{Dir / "0", Dir / "1", Dir / "2", Dir / "3"}, Outputs;
  for (const std::string& In : Inputs) Outputs.push_back(In + ".out");
  std::atomic<bool> ThirdRuns = false, ThirdStopping = false;
  std::atomic<int> Begun = 0;
  TParallelEncodes Batch(Inputs, Outputs, [&](TParallelEncodes::TFile& File) {
    WriteFile(Outputs[File.Index()], "partial");
    switch (File.Index()) {
      case 0:  // still running once the later file's failure is known: it completes
        while (!ThirdStopping) std::this_thread::yield();
        return true;
      case 1:
        while (!ThirdRuns) std::this_thread::yield();
        throw std::runtime_error("Write error");
      default:  // runs beside the failing file until it is told to stop
        ThirdRuns = true;
        while (!File.Stopping()) std::this_thread::yield();
        ThirdStopping = true;
        return false;
    }
  });
  std::vector<size_t> Ended;
  Batch.OnBeginFile = [&](size_t) { ++Begun; };
  Batch.OnEndFile = [&](size_t Index) { Ended.push_back(Index); };
  Batch.Start(3);
  try {
    Batch.Wait();
    FAIL() << "the failure was not passed on";
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "Write error");
  }
  EXPECT_EQ(Ended, std::vector<size_t>{0});
  EXPECT_EQ(Begun, 3) << "no file starts after a failure";
  EXPECT_TRUE(FileExists(Outputs[0]));
  EXPECT_FALSE(FileExists(Outputs[2])) << "a file after the failed one is removed";
  EXPECT_TRUE(Batch.Stopped().empty());
}

TEST(ParallelEncodes, CancelStopsEveryRunningFileAndLeavesNoThread) {
  TTempDir Dir;
  std::vector<std::string> Inputs, Outputs;
  for (const char* Name : {"a", "b", "c", "d"}) {
    WriteFile(Dir / (std::string(Name) + ".wav"), WavBytes(TestPcm(20 * 44100, 2), 2));
    Inputs.push_back(Dir / (std::string(Name) + ".wav"));
    Outputs.push_back(Dir / (std::string(Name) + ".mp3"));
  }
  const int ThreadsBefore = Threads(), FdsBefore = OpenDescriptors();
  TLameCoder Settings;
  TParallelEncodes Batch(Inputs, Outputs, Mp3FileEncoder(Settings, Inputs, Outputs));
  std::vector<bool> Running(Inputs.size());
  Batch.OnBeginFile = [&](size_t Index) { Running[Index] = true; };
  // Once both of the first files are under way.
  Batch.OnProgress = [&](size_t, uint16_t Percent) {
    if (Percent >= 5 && Running[0] && Running[1]) Batch.Cancel();
  };
  bool Ended = false;
  Batch.OnEndFile = [&](size_t) { Ended = true; };
  Batch.Start(2);
  Batch.Wait();
  EXPECT_TRUE(Batch.Canceled());
  EXPECT_FALSE(Ended);
  EXPECT_EQ(Batch.Stopped(), (std::vector<size_t>{0, 1}));
  for (size_t I : {0, 1}) {
    TDecoded Partial = DecodeMp3(Outputs[I]);  // kept, and it plays
    EXPECT_TRUE(Partial.Ok) << Partial.Messages;
    EXPECT_LT(Partial.Pcm.size(), 20u * 44100 * 4 / 2);
  }
  EXPECT_FALSE(FileExists(Outputs[2]) || FileExists(Outputs[3]));
  // A joined thread may linger in the task list for a moment.
  for (int Try = 0; Try < 100 && Threads() != ThreadsBefore; ++Try)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(Threads(), ThreadsBefore);
  EXPECT_EQ(OpenDescriptors(), FdsBefore);
}
