#pragma once
// TWavEncoder: WAV files (or raw 16-bit PCM) to FLAC, Opus or Ogg Vorbis files
// beside them, with the events and the Cancel of the MP3 encoder's
// EncodeFiles, so the "MP3 Encoder" page and tolvar-cli encode can use either.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "StreamEncoder.h"

namespace tolvar {

class TWavEncoder {
 public:
  using TProcessFileEvent = std::function<void(uint16_t Num, const std::string& FileName)>;

  TStreamSettings Settings;
  // Also rebuilds OutputFiles: each input name with the format's extension.
  void SetInputFiles(const std::vector<std::string>& Value);
  const std::vector<std::string>& InputFiles() const { return FInputFiles; }
  const std::vector<std::string>& OutputFiles() const { return FOutputFiles; }

  TProcessFileEvent OnBeginFile;  // the input's name
  TProcessFileEvent OnEndFile;    // the output's name, once it is complete
  std::function<void(uint16_t PercentComplete)> OnProgress;
  std::function<void()> OnEndProcess;
  std::function<void()> ProcessMessages;  // called after every chunk

  // Encodes every input file into its output file. A WAV file's "data" chunk
  // is encoded at the file's channels and rate; any other file is taken as
  // 44,100 Hz stereo raw PCM. Throws EEncoderError; the unfinished output is
  // removed first.
  void EncodeFiles();
  // Stops after the current chunk: the file is finished where it stopped (it
  // decodes) and kept; no end events fire.
  void Cancel() { Canceled = true; }
  bool Canceled = false;

 private:
  void EncodeFile(size_t Index);

  std::vector<std::string> FInputFiles, FOutputFiles;
};

}  // namespace tolvar
