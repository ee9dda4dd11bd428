#include "app/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "app/QtText.h"

namespace tolvar {

namespace {

QString Title(const std::string& Caption) {
  return Caption.empty() ? QApplication::applicationName() : FromText(Caption);
}

QMessageBox::Icon IconOf(TMsgKind Kind) {
  switch (Kind) {
    case TMsgKind::Warning:
      return QMessageBox::Warning;
    case TMsgKind::Error:
      return QMessageBox::Critical;
    case TMsgKind::Confirmation:
      return QMessageBox::Question;
    default:
      return QMessageBox::Information;
  }
}

}  // namespace

void TQtDialogs::MessageBox(const std::string& Text, const std::string& Caption, TMsgKind Kind) {
  QMessageBox Box(IconOf(Kind), Title(Caption), FromText(Text), QMessageBox::Ok,
                  QApplication::activeWindow());
  Box.exec();
}

TRetryIgnore TQtDialogs::RetryIgnore(const std::string& Text) {
  QMessageBox Box(QMessageBox::Critical, QApplication::applicationName(), FromText(Text),
                  QMessageBox::Retry | QMessageBox::Ignore, QApplication::activeWindow());
  return Box.exec() == QMessageBox::Retry ? TRetryIgnore::Retry : TRetryIgnore::Ignore;
}

bool TQtDialogs::YesNo(const std::string& Text) {
  QMessageBox Box(QMessageBox::Question, QApplication::applicationName(), FromText(Text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  return Box.exec() == QMessageBox::Yes;
}

bool TQtDialogs::InputBox(const std::string& Caption, const std::string& Prompt,
                          std::string& Value) {
  bool Ok = false;
  QString Answer = QInputDialog::getText(QApplication::activeWindow(), Title(Caption),
                                         FromText(Prompt), QLineEdit::Normal, FromText(Value), &Ok);
  if (!Ok) return false;
  Value = ToText(Answer);
  return true;
}

}  // namespace tolvar
