// The window's side of the track list: edits written into every selected row,
// the popup menu, Play on double click, the check commands and the gauge that
// sits over the Time cell of the row being ripped.
#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QProgressBar>

#include "app/MainUnit.h"
#include "app/QtText.h"
#include "app/TrackList.h"

namespace tolvar {

void TfrmTolvar::VSTNewText(int Column, const QString& NewText) {
  if (!TTrackListModel::Editable(Column)) return;
  const std::string Text = ToText(NewText);
  for (int Row : VST->SelectedRows()) Tracks()->SetField(Row, Column, Text);
}

void TfrmTolvar::VSTDblClick() {
  // Play is locked during a job, as its button is.
  if (tbPlay->isEnabled()) tbPlayClick();
}

void TfrmTolvar::PopupMenuPopup(const QPoint& Position) {
  mniRename->setVisible(TTrackListModel::Editable(VST->currentIndex().column()));
  PopupMenu->popup(VST->viewport()->mapToGlobal(Position));
}

void TfrmTolvar::mniRenameClick() {
  VST->EditFocusedCell();
}

void TfrmTolvar::tbSelectAllClick() {
  SetAllChecks(true);
}

void TfrmTolvar::tbResetAllClick() {
  SetAllChecks(false);
}

void TfrmTolvar::SetAllChecks(bool Checked) {
  Tracks()->SetAllChecks(Checked);
  VST->viewport()->update();
}

void TfrmTolvar::UpdateGauge() {
  pnGauge->setVisible(RipRow >= 0);
  VST->viewport()->update();
}

void TfrmTolvar::VSTAfterCellPaint() {
  // Only in separate-tracks rips: the gauge then lives in the list's panel.
  if (RipRow < 0 || RipRow >= Tracks()->rowCount() || pnGauge->parentWidget() != pnTrackList)
    return;
  // The gauge follows its row when the list scrolls, and hides while the row
  // is out of sight.
  QWidget* Viewport = VST->viewport();
  QRect Cell = VST->visualRect(Tracks()->index(RipRow, TTrackListModel::colTime));
  Cell = Cell.adjusted(2, 1, 0, -1).intersected(Viewport->rect());
  const bool Shown = !Cell.isEmpty();
  if (Shown) {
    const QRect Target(Viewport->mapTo(pnTrackList, Cell.topLeft()), Cell.size());
    if (pnGauge->geometry() != Target) pnGauge->setGeometry(Target);
  }
  if (pnGauge->isVisible() != Shown) pnGauge->setVisible(Shown);
}

}  // namespace tolvar
