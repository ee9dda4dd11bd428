#include "ReleaseDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvar {

TReleaseDialog::TReleaseDialog(const std::vector<TMetaRelease>& Releases, QWidget* Parent)
    : QDialog(Parent) {
  setWindowTitle("Choose the release");
  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(new QLabel("Several releases have this disc. Which one is yours?", this));
  List = new QListWidget(this);
  for (const TMetaRelease& R : Releases) List->addItem(Line(R));
  List->setCurrentRow(0);
  List->setMinimumWidth(560);
  Layout->addWidget(List, 1);
  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Buttons->button(QDialogButtonBox::Ok)->setDefault(true);  // Enter takes the selected one
  Layout->addWidget(Buttons);
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(List, &QListWidget::itemActivated, this, &QDialog::accept);
}

int TReleaseDialog::Chosen() const {
  return List->currentRow();
}

QString TReleaseDialog::Line(const TMetaRelease& R) {
  QStringList Parts;
  for (const std::string* Part : {&R.Date, &R.Country, &R.Label, &R.Catalog, &R.Format, &R.Barcode})
    if (!Part->empty()) Parts << QString::fromStdString(*Part);
  QString Text =
      QString::fromStdString(R.Artist) + QString::fromUtf8(" – ") + QString::fromStdString(R.Album);
  return Parts.isEmpty() ? Text : Text + ", " + Parts.join(", ");
}

}  // namespace tolvar
