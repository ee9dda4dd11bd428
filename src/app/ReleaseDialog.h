#pragma once
// The dialog that lists the releases a lookup found for the disc, so the
// user picks the pressing in hand.
#include <QDialog>
#include <vector>

#include "metadata/Release.h"

class QListWidget;

namespace tolvar {

class TReleaseDialog : public QDialog {
  Q_OBJECT
 public:
  TReleaseDialog(const std::vector<TMetaRelease>& Releases, QWidget* Parent);
  // The chosen release (from 0); the first one until the user moves.
  int Chosen() const;

  // One line: "artist – title, date, country, label, catalogue number,
  // format, barcode", unknown parts left out.
  static QString Line(const TMetaRelease& Release);

  QListWidget* List = nullptr;
};

}  // namespace tolvar
