#pragma once
// The track list of the "CD Ripper" page: one row per track of the disc, a
// check box in the Title column and the texts that name the output file and
// fill its tags. The rows' texts are UTF-8, like every text of the
// components; the model converts at the Qt edge.
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

namespace tolvar {

struct TTrackNodeData {
  std::string Title;
  std::string Artist;
  std::string Year;
  std::string Album;
  std::string Genre;
  std::string Comment;
};

class TTrackListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TColumn {
    colArtist,
    colTitle,
    colTime,
    colYear,
    colAlbum,
    colGenre,
    colComment,
    colAccuracy,  // the verdict of the last verified rip of the row
    ColumnCount
  };

  explicit TTrackListModel(QObject* Parent = nullptr);

  // What the list shows of a track but does not keep: its playing time and
  // whether it is an audio track. Set by the owner; rows without an answer
  // show no time and are drawn normally.
  std::function<QString(int Row)> TimeText;
  std::function<bool(int Row)> IsAudio;

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;

  // Rows are added or removed at the end; the rows that stay keep their texts
  // and checks. New rows are initialised at once, so walks over all rows see
  // their initial values.
  void SetRowCount(int Count);
  // The initial values of a new row (its check box starts checked).
  static TTrackNodeData InitNode(int Row);

  const TTrackNodeData& Node(int Row) const { return Rows.at(Row).Data; }
  bool Checked(int Row) const { return Rows.at(Row).Checked; }
  void SetChecked(int Row, bool Checked);
  // Checks or unchecks every row, first to last, then repaints once.
  void SetAllChecks(bool Checked);

  // The row's verification result as the Accuracy column shows it (empty:
  // none).
  void SetAccuracy(int Row, const std::string& Text);
  void ClearAccuracy();
  // Time and Accuracy are the program's own; the user edits the rest.
  static bool Editable(int Column) { return Column != colTime && Column != colAccuracy; }

  // Stores a text into the field of Column, cut to the field's maximum
  // length in characters. Columns that are not editable store nothing.
  void SetField(int Row, int Column, const std::string& Text);
  static int MaxLength(int Column);
  static std::string* Field(TTrackNodeData& Node, int Column);
  static const std::string* Field(const TTrackNodeData& Node, int Column);

  // Tells the views that the time texts or kinds of the tracks changed.
  void TracksChanged();

 private:
  struct TRow {
    TTrackNodeData Data;
    bool Checked = true;
    std::string Accuracy;
  };
  std::vector<TRow> Rows;
};

// Draws cells without the focus rectangle and hands committed edits to the
// window instead of the model, since one edit may change several rows.
class TTrackListDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::function<void(const QModelIndex& Index, const QString& Text)> OnNewText;

  void setModelData(QWidget* Editor, QAbstractItemModel* Model,
                    const QModelIndex& Index) const override;
  QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* Option, const QModelIndex& Index) const override;
};

class TTrackListView : public QTreeView {
  Q_OBJECT
 public:
  static constexpr int RowHeight = 16;
  explicit TTrackListView(QWidget* Parent = nullptr);

  TTrackListModel* Model() const { return FModel; }
  TTrackListDelegate* Delegate() const { return FDelegate; }
  // Rows of the selection in list order.
  std::vector<int> SelectedRows() const;
  // Starts editing the focused cell unless it is the Time cell.
  void EditFocusedCell();
  // True while a cell's editor is open.
  bool IsEditing() const { return state() == EditingState; }

  // Runs after the list has drawn itself (the gauge follows its row).
  std::function<void()> OnAfterPaint;
  // Enter or Return pressed in the list while no cell is edited.
  std::function<void()> OnReturn;

 protected:
  QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;

 private:
  TTrackListModel* FModel;
  TTrackListDelegate* FDelegate;
};

}  // namespace tolvar
