#pragma once
// A folder edit with a browse button beside it.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tolvar {

class TDirectoryEdit : public QWidget {
  Q_OBJECT
 public:
  explicit TDirectoryEdit(QWidget* Parent = nullptr);
  QString text() const;
  void setText(const QString& Text);
  QLineEdit* Edit() const { return FEdit; }
  QToolButton* BrowseButton() const { return FButton; }

 signals:
  void textChanged(const QString& Text);

 private:
  void Browse();
  QLineEdit* FEdit;
  QToolButton* FButton;
};

}  // namespace tolvar
