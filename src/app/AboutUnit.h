#pragma once
// TfrmAbout: the small About window with the title line, the notice and
// credits, and the "Web page" and "Close" buttons drawn as raised panels.
#include <QDialog>
#include <QFrame>
#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace tolvar {

// A raised panel that acts as a button: sunk deeper while the mouse is held
// on it, and clicked when released over it.
class TButtonPanel : public QFrame {
 public:
  TButtonPanel(const QString& Caption, QWidget* Parent);
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
};

class TfrmAbout : public QDialog {
 public:
  static constexpr int ClientWidth = 219;
  static constexpr int ClientHeight = 160;

  explicit TfrmAbout(QWidget* Parent = nullptr);

  QLabel* lblTitle = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  TButtonPanel *pnWebPage = nullptr, *pnClose = nullptr;
};

// The memo's lines, joined with "\n".
std::string AboutText();
// The versions of the CD library, the Vorbis encoder and the LAME engine
// (LameMajor.LameMinor), as the hidden toolbar button shows them.
std::string LibraryVersionText(int LameMajor, int LameMinor);

}  // namespace tolvar
