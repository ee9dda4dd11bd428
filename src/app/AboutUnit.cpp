#include "app/AboutUnit.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/ErrorDisplay.h"
#include "app/MainUnit.h"
#include "encoders/LameCoder.h"
#include "encoders/VorbisDll.h"
#include "ripper/CDRipIntf.h"
#include "util/Dialogs.h"
#include "util/MiscFunctions.h"
#include "util/Product.h"

namespace tolvar {

TButtonPanel::TButtonPanel(const QString& Caption, QWidget* Parent) : QFrame(Parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setCursor(Qt::PointingHandCursor);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(2, 2, 2, 2);
  auto* Label = new QLabel(Caption, this);
  Label->setAlignment(Qt::AlignCenter);
  Layout->addWidget(Label);
}

void TButtonPanel::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton) setLineWidth(2);
}

void TButtonPanel::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() != Qt::LeftButton) return;
  setLineWidth(1);
  if (rect().contains(Event->position().toPoint()) && OnClick) Guard(OnClick);
}

std::string AboutText() {
  return "Copyright (C) 2026 the Tolvar developers. Tolvar is free software under the GNU "
         "General Public License, version 3 or later (GPL-3.0-or-later), and comes with "
         "NO WARRANTY.\n"
         "\n"
         "Thanks to:\n"
         "  the testers of the early builds\n"
         "  everyone who sent disc entries to the CDDB\n"
         "\n"
         "Libraries:\n"
         "  LAME encoding engine \n"
         "  libcdio and libcdio-paranoia\n"
         "  Vorbis encoder (libvorbis)";
}

TfrmAbout::TfrmAbout(QWidget* Parent)
    : QDialog(Parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle("Tolvar 0.9 beta");
  setFixedSize(ClientWidth, ClientHeight);
  setModal(true);
  QFont Small("Sans Serif");
  Small.setPointSize(8);
  setFont(Small);

  lblTitle = new QLabel(this);
  lblTitle->setTextFormat(Qt::RichText);
  lblTitle->setText(
      "<b><span style='color:blue'>Tolvar</span></b>"
      "<span style='color:red'> :: CD ripper and MP3 encoder</span>");
  lblTitle->setGeometry(6, 4, ClientWidth - 12, 16);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setReadOnly(true);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setPlainText(QString::fromStdString(AboutText()));
  Memo1->setGeometry(6, 22, ClientWidth - 12, ClientHeight - 56);
  QPalette Palette = Memo1->palette();
  Palette.setColor(QPalette::Base, palette().color(QPalette::Window));
  Memo1->setPalette(Palette);

  pnWebPage = new TButtonPanel("Web page", this);
  pnWebPage->setGeometry(6, ClientHeight - 28, 75, 22);
  pnWebPage->OnClick = [] { ShellOpen(kProductWebAddress); };
  pnClose = new TButtonPanel("Close", this);
  pnClose->setGeometry(ClientWidth - 81, ClientHeight - 28, 75, 22);
  pnClose->OnClick = [this] { close(); };
}

std::string LibraryVersionText(int LameMajor, int LameMinor) {
  std::string Cd;
  if (CDRipReady()) {
    const int32_t V = CR_GetCDRipVersion();
    Cd = "CDRip3.DLL Ver " + std::to_string(V / 100) + "." + std::to_string(V % 100);
  }
  return Cd + ", " + "Vorbis.DLL " + VorbisVersionText() + ", LAME " + std::to_string(LameMajor) +
         "." + std::to_string(LameMinor);
}

void TfrmTolvar::tbInfoClick() {
  const TLameVersion& Version = Lame->LameVersion();
  Dialogs().MessageBox(LibraryVersionText(Version.MajorVersion(), Version.MinorVersion()), "",
                       TMsgKind::Information);
}

void TfrmTolvar::mniAboutClick() {
  frmAbout->exec();
}

void TfrmTolvar::ConnectAbout() {
  frmAbout = new TfrmAbout(this);
  connect(tbInfo, &QAction::triggered, this, Guarded([this] { tbInfoClick(); }));
  connect(mniAbout, &QAction::triggered, this, Guarded([this] { mniAboutClick(); }));
}

}  // namespace tolvar
