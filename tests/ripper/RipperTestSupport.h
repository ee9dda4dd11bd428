#pragma once
// Shared set-up of the ripper tests: the real CD library over generated
// images, or the scripted fake library; and a recorder of the ripper's events.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DiscImage.h"
#include "FakeCdrip.h"
#include "TestSupport.h"
#include "platform/cdrip/CdDrives.h"
#include "ripper/CDRipper.h"

namespace tolvar::testing {

// Records the ripper's events in order: "status: TEXT", "drives", "list".
struct TEventLog {
  std::vector<std::string> Events;
  void Attach(TCDRipper& R) {
    R.OnStatusChanged = [this](TCDRipper* S) { Events.push_back("status: " + S->StatusText); };
    R.OnDrivesChanged = [this](TCDRipper*) { Events.push_back("drives"); };
    R.OnListChanged = [this](TCDRipper*) { Events.push_back("list"); };
  }
};

// The real library, with the given images as its image drives.
class RealLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TOLVAR_APPDIR", (Dir.Path() + "/").c_str(), 1);
    unsetenv(cdrip::kImagesVariable);
    Real = static_cast<int>(cdrip::RealDevices().size());
  }
  void TearDown() override {
    FreeCDRip();
    unsetenv(cdrip::kImagesVariable);
    unsetenv("TOLVAR_APPDIR");
  }
  std::string MakeImage(const std::string& Name, const std::vector<fixtures::TImageTrack>& Tracks,
                        const fixtures::TImageOptions& Options = {}) {
    std::string Path = Dir / Name;
    fixtures::WriteDiscImage(Path, Tracks, Options);
    return Path;
  }
  // Loads the library with these image drives; true when it is ready.
  bool Load(const std::vector<std::string>& Images) {
    std::string List;
    for (const std::string& I : Images) List += (List.empty() ? "" : ":") + I;
    setenv(cdrip::kImagesVariable, List.c_str(), 1);
    return LoadCDRip();
  }

  fixtures::TTempDir Dir;
  int Real = 0;
};

// The fake library: scripted before CR_Init runs, kept loaded by the test.
class FakeLibraryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FreeCDRip();
    if (Handle) dlclose(Handle);
  }
  // Opens the fake library at Path and returns its script, reset.
  fake::TFakeCdrip& Open(const char* Path) {
    LibraryPath = Path;
    Handle = dlopen(Path, RTLD_NOW | RTLD_LOCAL);
    if (!Handle) throw std::runtime_error(dlerror());
    auto State = reinterpret_cast<TFakeCdrip_State>(dlsym(Handle, "FakeCdrip_State"));
    *State() = fake::TFakeCdrip();
    return *State();
  }
  bool Load() { return LoadCDRip(LibraryPath); }

  void* Handle = nullptr;
  std::string LibraryPath;
};

}  // namespace tolvar::testing
