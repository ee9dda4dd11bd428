// LoadSettings and SaveSettings: the settings file and the preset files share
// one routine. The "Lame" keys map one to one onto the encoder's properties;
// the table below is the single list of them, in file order, for both ways.
#include <QComboBox>
#include <QTabWidget>
#include <algorithm>
#include <climits>
#include <functional>

#include "app/DirectoryEdit.h"
#include "app/MainUnit.h"
#include "app/QtText.h"
#include "cddb/Cddb.h"
#include "encoders/LameCoder.h"
#include "ripper/CDRipper.h"
#include "util/IniFile.h"
#include "util/MiscFunctions.h"

namespace tolvar {

namespace {

struct TLameKey {
  const char* Key;
  bool Boolean;
  std::function<long long(const TLameCoder&)> Get;
  std::function<void(TLameCoder&, long long)> Set;
};

// Mode and quality are stored by ordinal; a value outside the enumeration is
// refused by the mode's setter and kept as it stands by the quality.
const TLameKey LameKeys[] = {
    {"BitRate", false, [](const TLameCoder& L) { return L.Bitrate(); },
     [](TLameCoder& L, long long V) { L.SetBitrate(static_cast<uint32_t>(V)); }},
    {"MaxBitRate", false, [](const TLameCoder& L) { return L.MaxBitrate(); },
     [](TLameCoder& L, long long V) { L.SetMaxBitrate(static_cast<uint32_t>(V)); }},
    {"EnableVBR", true, [](const TLameCoder& L) { return L.EnableVBR(); },
     [](TLameCoder& L, long long V) { L.SetEnableVBR(V != 0); }},
    {"Copyright", true, [](const TLameCoder& L) { return L.Copyright(); },
     [](TLameCoder& L, long long V) { L.SetCopyright(V != 0); }},
    {"Original", true, [](const TLameCoder& L) { return L.Original(); },
     [](TLameCoder& L, long long V) { L.SetOriginal(V != 0); }},
    {"CRC", true, [](const TLameCoder& L) { return L.CRC(); },
     [](TLameCoder& L, long long V) { L.SetCRC(V != 0); }},
    {"VBRQuality", false, [](const TLameCoder& L) { return L.VBRQuality(); },
     [](TLameCoder& L, long long V) { L.SetVBRQuality(static_cast<int>(V)); }},
    {"WriteVBRHeader", true, [](const TLameCoder& L) { return L.WriteVBRHeader(); },
     [](TLameCoder& L, long long V) { L.SetWriteVBRHeader(V != 0); }},
    {"Mode", false, [](const TLameCoder& L) { return static_cast<long long>(L.Mode()); },
     [](TLameCoder& L, long long V) {
       if (V >= 0 && V <= 255) L.SetMode(static_cast<TLameMode>(V));
     }},
    {"Quality", false, [](const TLameCoder& L) { return static_cast<long long>(L.Quality()); },
     [](TLameCoder& L, long long V) { L.SetQuality(static_cast<MPEG_QUALITY>(V)); }},
    {"Private", true, [](const TLameCoder& L) { return L.Private(); },
     [](TLameCoder& L, long long V) { L.SetPrivate(V != 0); }},
};

// An integer key as a 32-bit value: text that does not parse, or a number
// that does not fit, gives the default. Booleans are integers that are not 0.
int ReadInt(const TIniFile& Ini, const char* Section, const char* Key, int Default) {
  long long Value = Ini.ReadInteger(Section, Key, Default);
  return Value < INT_MIN || Value > INT_MAX ? Default : static_cast<int>(Value);
}

bool ReadBool(const TIniFile& Ini, const char* Section, const char* Key, bool Default) {
  return ReadInt(Ini, Section, Key, Default ? 1 : 0) != 0;
}

long long ReadLameKey(const TIniFile& Ini, const TLameKey& K, long long Current) {
  if (K.Boolean) return ReadBool(Ini, "Lame", K.Key, Current != 0) ? 1 : 0;
  // Bit rates are unsigned 32-bit values.
  long long Value = Ini.ReadInteger("Lame", K.Key, Current);
  return Value < INT_MIN || Value > UINT_MAX ? Current : Value;
}

}  // namespace

void TfrmTolvar::LoadSettings(const std::string& FileName, bool WithForm) {
  {
    TIniFile Ini(FileName);
    if (WithForm) {
      move(x(), ReadInt(Ini, "Form", "Top", y()));
      move(ReadInt(Ini, "Form", "Left", x()), y());
      resize(width(), ReadInt(Ini, "Form", "Height", height()));
      resize(ReadInt(Ini, "Form", "Width", width()), height());
      PageControl->setCurrentIndex(
          ReadInt(Ini, "Form", "ActivePageIndex", PageControl->currentIndex()));
      const QString Preset = FromPath(Ini.ReadString("Settings", "CurPreset", "Default"));
      cbPreset->setCurrentIndex(
          cbPreset->findText(Preset, Qt::MatchFixedString | Qt::MatchCaseSensitive));
      CDRipper->Encode = ReadBool(Ini, "Settings", "Encode", CDRipper->Encode);
      CDRipper->WriteWAV = !CDRipper->Encode;
      SingleTrack = ReadBool(Ini, "Settings", "SingleTrack", SingleTrack);
      // Level 5 stays possible for servers that need it; anything else asks at 6.
      Cddb->ProtocolLevel = ReadInt(Ini, "CDDB", "Proto", 6) == 5 ? 5 : 6;
      LoadMetadataSettings(Ini);
      LoadVerifySettings(Ini);
    }
    deSaveDir->setText(FromPath(Ini.ReadString("Settings", "SaveDir", DefaultSaveDir())));
    for (const TLameKey& K : LameKeys) K.Set(*Lame, ReadLameKey(Ini, K, K.Get(*Lame)));
    EncoderType = ReadInt(Ini, "Settings", "EncoderType", EncoderType);
    SetOggQuality(ReadInt(Ini, "Settings", "OggQuality", OggQuality));
    FlacLevel = std::clamp(ReadInt(Ini, "Flac", "Level", FlacLevel), 0, 8);
    OpusBitrate = std::clamp(ReadInt(Ini, "Opus", "Bitrate", OpusBitrate), 6, 510);
  }
  SettingsToControls();
}

void TfrmTolvar::SaveSettings(const std::string& FileName, bool WithForm) {
  TIniFile Ini(FileName);
  if (WithForm) {
    Ini.WriteInteger("Form", "Top", y());
    Ini.WriteInteger("Form", "Left", x());
    Ini.WriteInteger("Form", "Height", height());
    Ini.WriteInteger("Form", "Width", width());
    Ini.WriteInteger("Form", "ActivePageIndex", PageControl->currentIndex());
    Ini.WriteString("Settings", "CurPreset", ToPath(cbPreset->currentText()));
    Ini.WriteBool("Settings", "Encode", CDRipper->Encode);
    Ini.WriteBool("Settings", "SingleTrack", SingleTrack);
  }
  Ini.WriteString("Settings", "SaveDir", ToPath(deSaveDir->text()));
  Ini.WriteInteger("Settings", "EncoderType", EncoderType);
  Ini.WriteInteger("Settings", "OggQuality", OggQuality);
  for (const TLameKey& K : LameKeys) {
    if (K.Boolean)
      Ini.WriteBool("Lame", K.Key, K.Get(*Lame) != 0);
    else
      Ini.WriteInteger("Lame", K.Key, K.Get(*Lame));
  }
  // Sections newer than the rest go at the end of the file, in the order
  // they came.
  if (WithForm) Ini.WriteInteger("CDDB", "Proto", Cddb->ProtocolLevel);
  Ini.WriteInteger("Flac", "Level", FlacLevel);
  Ini.WriteInteger("Opus", "Bitrate", OpusBitrate);
  if (WithForm) {
    SaveMetadataSettings(Ini);
    SaveVerifySettings(Ini);
  }
  Ini.UpdateFile();
}

}  // namespace tolvar
