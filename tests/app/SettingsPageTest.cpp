// The " Encoding settings" page: the change rule, the format panels, the Ogg
// list and presets (saving, loading, "Default", subfolders, hand-written files).
#include <sys/stat.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "AppTestSupport.h"
#include "app/DirectoryEdit.h"
#include "app/MainUnit.h"
#include "encoders/LameCoder.h"
#include "ripper/CDRipper.h"
#include "util/Dialogs.h"

using namespace tolvar;
using namespace tolvar::apptest;
using fixtures::FileExists;
using fixtures::ReadFile;
using fixtures::WriteFile;

namespace {

QStringList Items(QComboBox* List) {
  QStringList Result;
  for (int I = 0; I < List->count(); ++I) Result << List->itemText(I);
  return Result;
}

}  // namespace

class SettingsPageTest : public QObject {
  Q_OBJECT
 private slots:
  void controlsStoreTheirValuesAndClearThePresetOnlyOnChange() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Pick(Form.cbBitRate, "128");  // the stored value again: the preset stays
    Form.cbCRC->click();
    Form.cbCRC->click();  // changes twice; the first already cleared it
    QCOMPARE(Form.cbPreset->currentIndex(), -1);
    QVERIFY(Form.Lame->CRC());

    Form.Button1->click();
    QCOMPARE(Form.cbPreset->currentText(), QString("Default"));
    Pick(Form.cbMaxBitRate, "256");
    QCOMPARE(Form.Lame->MaxBitrate(), 256u);
    QCOMPARE(Form.cbPreset->currentIndex(), -1);

    Form.Button1->click();
    Pick(Form.cbQuality, "High");
    QCOMPARE(Form.Lame->Quality(), MPEG_QUALITY::HIGH_QUALITY);
    Form.cbCopyRight->click();
    Form.cbOriginal->click();
    Form.cbPrivate->click();
    QVERIFY(Form.Lame->Copyright() && Form.Lame->Original() && Form.Lame->Private());

    // The track bar: 7 shows 7 beside it.
    Form.Button1->click();
    Form.tbVBRQuality->setValue(7);
    QCOMPARE(Form.Label7->text(), QString("7"));
    QCOMPARE(Form.Lame->VBRQuality(), 7);
    QCOMPARE(Form.cbPreset->currentIndex(), -1);

    // The encoder turns its VBR header on with VBR; the box shows it.
    Form.cbVBR->click();
    QVERIFY(Form.Lame->EnableVBR() && Form.Lame->WriteVBRHeader());
    QVERIFY(Form.cbWriteVBRHeader->isChecked());
    Form.cbWriteVBRHeader->click();
    QVERIFY(Form.Lame->EnableVBR() && !Form.Lame->WriteVBRHeader());
  }

  void modeRadioButtons() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Form.rbModeWav->click();
    QVERIFY(Form.CDRipper->WriteWAV && !Form.CDRipper->Encode);
    Form.rbModeEncode->click();
    QVERIFY(!Form.CDRipper->WriteWAV && Form.CDRipper->Encode);
    Form.rbSingleTrack->click();
    QVERIFY(Form.SingleTrack);
    Form.rbSeparateTracks->click();
    QVERIFY(!Form.SingleTrack);
    QCOMPARE(Form.cbPreset->currentText(), QString("Default"));  // not settings of a preset
  }

  void formatAndOggListClearThePresetWhenTheyChange() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Pick(Form.cbFormat, "Ogg");
    QCOMPARE(Form.EncoderType, 1);
    QVERIFY(Form.GroupBox3->isHidden() && !Form.GroupBox7->isHidden());
    QVERIFY(!Form.GroupBox5->isHidden());
    QCOMPARE(Form.cbPreset->currentIndex(), -1);
    Form.cbPreset->setCurrentIndex(0);
    Pick(Form.cbFormat, "Ogg");  // the same format again clears nothing
    QCOMPARE(Form.cbPreset->currentIndex(), 0);
    Pick(Form.cbOggBitrate, "128");  // index 6, unchanged
    QCOMPARE(Form.cbPreset->currentIndex(), 0);
    Pick(Form.cbOggBitrate, "500");
    QCOMPARE(Form.OggQuality, 0);
    QCOMPARE(Form.CDRipper->VorbisQuality, 1.0f);
    QCOMPARE(Form.cbPreset->currentIndex(), -1);
    Pick(Form.cbFormat, "MP3");
    QVERIFY(!Form.GroupBox3->isHidden() && Form.GroupBox7->isHidden());
  }

  void presetsAreSavedListedAndLoaded() {
    TWindowEnv Env;
    TfrmTolvar Form;
    Pick(Form.cbBitRate, "192");
    Pick(Form.cbFormat, "Ogg");
    Form.deSaveDir->setText("/music/presets-folder");
    {
      // "Default" is refused (exactly that word); a cancel saves nothing.
      TScriptedDialogs Dialogs;
      Dialogs.InputAnswers = {"\x1b"};
      Form.btnSavePreset->click();
      QCOMPARE(Items(Form.cbPreset), QStringList{"Default"});
      Dialogs.InputAnswers = {"Default", "Default", "default"};
      Form.btnSavePreset->click();
      QCOMPARE(Dialogs.Shown.size(), size_t(4));
    }
    QVERIFY(FileExists(Env.AppDir() + "presets/default.ini"));
    QCOMPARE(Items(Form.cbPreset), QStringList({"Default", "default"}));
    QCOMPARE(Form.cbPreset->currentText(), QString("default"));
    const std::string Preset = ReadFile(Env.AppDir() + "presets/default.ini");
    QCOMPARE(IniLayout(Preset),
             (std::vector<std::string>{"[Settings]",     "SaveDir",  "EncoderType", "OggQuality",
                                       "[Lame]",         "BitRate",  "MaxBitRate",  "EnableVBR",
                                       "Copyright",      "Original", "CRC",         "VBRQuality",
                                       "WriteVBRHeader", "Mode",     "Quality",     "Private",
                                       "[Flac]",         "Level",    "[Opus]",      "Bitrate"}));

    // "Default" restores the factory settings and keeps the folder.
    Pick(Form.cbPreset, "Default");
    QCOMPARE(Form.Lame->Bitrate(), 128u);
    QCOMPARE(Form.EncoderType, 0);
    QVERIFY(!Form.GroupBox3->isHidden());
    QCOMPARE(Form.deSaveDir->text(), QString("/music/presets-folder"));
    Form.deSaveDir->setText("/elsewhere");

    // Loading the preset brings back its settings and its folder.
    Pick(Form.cbPreset, "default");
    QCOMPARE(Form.Lame->Bitrate(), 192u);
    QCOMPARE(Form.cbBitRate->currentText(), QString("192"));
    QCOMPARE(Form.EncoderType, 1);
    QVERIFY(Form.GroupBox3->isHidden() && !Form.GroupBox7->isHidden());
    QCOMPARE(Form.deSaveDir->text(), QString("/music/presets-folder"));
    QCOMPARE(Form.cbPreset->currentText(), QString("default"));
  }

  void presetsInSubfoldersAndHandWrittenPresets() {
    TWindowEnv Env;
    const std::string Presets = Env.AppDir() + "presets/";
    mkdir(Env.AppDir().c_str(), 0755);
    mkdir(Presets.c_str(), 0755);
    mkdir((Presets + "Rock").c_str(), 0755);
    WriteFile(Presets + "Rock/Heavy.ini", "[Lame]\nBitRate=320\nMode=3\n");
    WriteFile(Presets + "alpha.INI", "[Lame]\nQuality=2\n");
    WriteFile(Presets + "notes.txt", "not a preset");
    WriteFile(Presets + "Beta.ini", "");
    TfrmTolvar Form;
    QCOMPARE(Items(Form.cbPreset), QStringList({"Default", "alpha", "Beta", "Rock/Heavy"}));
    Pick(Form.cbPreset, "Rock/Heavy");
    QCOMPARE(Form.Lame->Bitrate(), 320u);
    // MONO is not offered: the mode list shows no selection.
    QCOMPARE(Form.Lame->Mode(), TLameMode::MONO);
    QCOMPARE(Form.cbMode->currentIndex(), -1);
    Pick(Form.cbPreset, "alpha");
    QCOMPARE(Form.Lame->Quality(), MPEG_QUALITY::HIGH_QUALITY);
    QCOMPARE(Form.Lame->Mode(), TLameMode::MONO);  // keys a preset lacks keep their values

    // A preset gone since the list was filled loads as empty: only the
    // folder falls back to its default.
    Form.deSaveDir->setText("/somewhere");
    std::remove((Presets + "Beta.ini").c_str());
    Pick(Form.cbPreset, "Beta");
    QCOMPARE(Form.Lame->Bitrate(), 320u);
    QCOMPARE(Form.deSaveDir->text().toStdString(), Env.AppDir() + "saved/");
  }

  void theSelectedPresetIsRestoredWithoutReadingIt() {
    TWindowEnv Env;
    {
      TfrmTolvar Form;
      Pick(Form.cbBitRate, "96");
      TScriptedDialogs Dialogs;
      Dialogs.InputAnswers = {"Small"};
      Form.btnSavePreset->click();
    }
    WriteFile(Env.AppDir() + "presets/Small.ini", "[Lame]\nBitRate=320\n");
    TfrmTolvar Form;
    QCOMPARE(Form.cbPreset->currentText(), QString("Small"));
    QCOMPARE(Form.Lame->Bitrate(), 96u);  // from the settings file, not the preset
  }
};

TOLVAR_APP_TEST_MAIN(SettingsPageTest)
#include "SettingsPageTest.moc"
