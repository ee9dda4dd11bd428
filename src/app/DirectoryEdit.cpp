#include "app/DirectoryEdit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

namespace tolvar {

TDirectoryEdit::TDirectoryEdit(QWidget* Parent)
    : QWidget(Parent), FEdit(new QLineEdit(this)), FButton(new QToolButton(this)) {
  auto* Layout = new QHBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(2);
  Layout->addWidget(FEdit, 1);
  Layout->addWidget(FButton);
  FButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  FButton->setToolTip("Browse for a folder");
  setFocusProxy(FEdit);
  connect(FEdit, &QLineEdit::textChanged, this, &TDirectoryEdit::textChanged);
  connect(FButton, &QToolButton::clicked, this, &TDirectoryEdit::Browse);
}

QString TDirectoryEdit::text() const {
  return FEdit->text();
}

void TDirectoryEdit::setText(const QString& Text) {
  FEdit->setText(Text);
}

void TDirectoryEdit::Browse() {
  QString Folder = QFileDialog::getExistingDirectory(this, "Select a folder", FEdit->text());
  if (!Folder.isEmpty()) FEdit->setText(Folder);
}

}  // namespace tolvar
