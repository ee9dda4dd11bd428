#include "CliRipper.h"

#include <sys/stat.h>

#include <cstdlib>
#include <iostream>

#include "platform/cdrip/CdDrives.h"
#include "ripper/CDRipIntf.h"

namespace tolvar::cli {

namespace {

bool IsFile(const std::string& Path) {
  struct stat Info;
  return stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

}  // namespace

void EchoStatusTexts(TCDRipper& Ripper) {
  Ripper.OnStatusChanged = [](TCDRipper* Sender) { std::cout << Sender->StatusText << std::endl; };
}

TRipperSession::TRipperSession(const TContext& Context)
    : Monitor([] { return CDRipMediaStates(); }) {
  std::vector<std::string> Images = Context.Images;
  for (const std::string& Image : Images)
    if (!IsFile(Image)) throw TCommandError("cannot open image " + Image);
  if (Images.empty()) cdrip::AddSampleDiscWhenNoDrive(Context.SampleDisc);
  if (!Images.empty()) {
    // The library takes image drives from TOLVAR_CD_IMAGES; ours come last.
    const char* Env = std::getenv(cdrip::kImagesVariable);
    std::string List = Env ? Env : "";
    for (const std::string& Image : Images) List += (List.empty() ? "" : ":") + Image;
    setenv(cdrip::kImagesVariable, List.c_str(), 1);
  }
  ImagesAdded = static_cast<int>(Images.size());
  Target = Context.Drive;
  if (Target < 0 && !Context.Images.empty()) Target = -2;  // the first --image, known after Init

  LoadCDRip();
  Ripper.ProcessMessages = [this] { ProcessMessages(); };
  Monitor.OnDeviceChange = [this](int Code) { Ripper.DeviceChange(Code); };
}

void TRipperSession::ProcessMessages() {
  Monitor.Poll();
  if (!Loop.Idle()) Loop.ProcessEvents(std::chrono::milliseconds(0));
}

TRipperSession::~TRipperSession() {
  FreeCDRip();
}

void TRipperSession::Start() {
  Ripper.Init();
  int Index = Target == -2 ? Ripper.DriveCount - ImagesAdded : Target;
  if (Index >= Ripper.DriveCount && Index > 0)
    throw TCommandError("there is no drive " + std::to_string(Index) + " (found " +
                        std::to_string(Ripper.DriveCount) + ")");
  if (Index > 0) {
    Ripper.SelectDrive(Index);
    Ripper.SetCDRomNum(Index);
  }
  Drive = Index > 0 ? Index : 0;
  Monitor.Reset();
}

}  // namespace tolvar::cli
