#include "app/TrackList.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "app/QtText.h"
#include "util/TextEncoding.h"

namespace tolvar {

namespace {

struct TColumnInfo {
  const char* Caption;
  int Width;
  Qt::Alignment Align;
};

const TColumnInfo Columns[TTrackListModel::ColumnCount] = {
    {"Artist", 130, Qt::AlignLeft},  {"Title", 130, Qt::AlignLeft},   {"Time", 50, Qt::AlignRight},
    {"Year", 60, Qt::AlignRight},    {"Album", 130, Qt::AlignLeft},   {"Genre", 90, Qt::AlignLeft},
    {"Comments", 70, Qt::AlignLeft}, {"Accuracy", 100, Qt::AlignLeft}};

}  // namespace

TTrackListModel::TTrackListModel(QObject* Parent) : QAbstractTableModel(Parent) {}

int TTrackListModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

int TTrackListModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TTrackListModel::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid() || Index.row() >= rowCount()) return {};
  const int Row = Index.row();
  const int Column = Index.column();
  switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (Column == colTime) return TimeText ? TimeText(Row) : QString();
      if (Column == colAccuracy) return FromText(Rows[Row].Accuracy);
      return FromText(*Field(Rows[Row].Data, Column));
    case Qt::CheckStateRole:
      if (Column == colTitle) return Rows[Row].Checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Columns[Column].Align | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      // Data tracks are drawn in the system's grey-text colour.
      if (IsAudio && !IsAudio(Row))
        return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
      return {};
    default:
      return {};
  }
}

bool TTrackListModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
  if (!Index.isValid() || Index.row() >= rowCount()) return false;
  if (Role == Qt::CheckStateRole && Index.column() == colTitle) {
    SetChecked(Index.row(), Value.toInt() == Qt::Checked);
    return true;
  }
  if (Role == Qt::EditRole && Editable(Index.column())) {
    SetField(Index.row(), Index.column(), ToText(Value.toString()));
    return true;
  }
  return false;
}

QVariant TTrackListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation != Qt::Horizontal || Section < 0 || Section >= ColumnCount) return {};
  if (Role == Qt::DisplayRole) return QString::fromLatin1(Columns[Section].Caption);
  if (Role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Columns[Section].Align | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags TTrackListModel::flags(const QModelIndex& Index) const {
  if (!Index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (Editable(Index.column())) Flags |= Qt::ItemIsEditable;
  if (Index.column() == colTitle) Flags |= Qt::ItemIsUserCheckable;
  return Flags;
}

TTrackNodeData TTrackListModel::InitNode(int Row) {
  TTrackNodeData Node;
  Node.Comment = "Ripped by Tolvar";
  Node.Artist = "Unknown";
  Node.Title = "Track " + std::to_string(Row + 1);
  return Node;
}

void TTrackListModel::SetRowCount(int Count) {
  Count = std::max(Count, 0);
  const int Old = rowCount();
  if (Count > Old) {
    beginInsertRows({}, Old, Count - 1);
    for (int Row = Old; Row < Count; ++Row) Rows.push_back({InitNode(Row), true, {}});
    endInsertRows();
  } else if (Count < Old) {
    beginRemoveRows({}, Count, Old - 1);
    Rows.resize(Count);
    endRemoveRows();
  }
}

void TTrackListModel::SetChecked(int Row, bool Checked) {
  if (Row < 0 || Row >= rowCount() || Rows[Row].Checked == Checked) return;
  Rows[Row].Checked = Checked;
  QModelIndex Cell = index(Row, colTitle);
  emit dataChanged(Cell, Cell, {Qt::CheckStateRole});
}

void TTrackListModel::SetAllChecks(bool Checked) {
  for (TRow& Row : Rows) Row.Checked = Checked;
  if (!Rows.empty())
    emit dataChanged(index(0, colTitle), index(rowCount() - 1, colTitle), {Qt::CheckStateRole});
}

int TTrackListModel::MaxLength(int Column) {
  switch (Column) {
    case colArtist:
    case colTitle:
      return 255;
    case colYear:
      return 4;
    case colAlbum:
    case colGenre:
    case colComment:
      return 30;
    default:
      return 0;
  }
}

std::string* TTrackListModel::Field(TTrackNodeData& Node, int Column) {
  return const_cast<std::string*>(Field(std::as_const(Node), Column));
}

const std::string* TTrackListModel::Field(const TTrackNodeData& Node, int Column) {
  static const std::string None;
  switch (Column) {
    case colArtist:
      return &Node.Artist;
    case colTitle:
      return &Node.Title;
    case colYear:
      return &Node.Year;
    case colAlbum:
      return &Node.Album;
    case colGenre:
      return &Node.Genre;
    case colComment:
      return &Node.Comment;
    default:
      return &None;
  }
}

void TTrackListModel::SetField(int Row, int Column, const std::string& Text) {
  if (Row < 0 || Row >= rowCount() || !Editable(Column) || Column < 0 || Column >= ColumnCount)
    return;
  *Field(Rows[Row].Data, Column) = Utf8Left(Text, MaxLength(Column));
  QModelIndex Cell = index(Row, Column);
  emit dataChanged(Cell, Cell, {Qt::DisplayRole, Qt::EditRole});
}

void TTrackListModel::SetAccuracy(int Row, const std::string& Text) {
  if (Row < 0 || Row >= rowCount() || Rows[Row].Accuracy == Text) return;
  Rows[Row].Accuracy = Text;
  const QModelIndex Cell = index(Row, colAccuracy);
  emit dataChanged(Cell, Cell, {Qt::DisplayRole});
}

void TTrackListModel::ClearAccuracy() {
  for (int Row = 0; Row < rowCount(); ++Row) SetAccuracy(Row, {});
}

void TTrackListModel::TracksChanged() {
  if (!Rows.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void TTrackListDelegate::setModelData(QWidget* Editor, QAbstractItemModel*,
                                      const QModelIndex& Index) const {
  // Only a text the user changed is new: an edit ended without typing
  // (Enter, or a click elsewhere) changes no row.
  auto* Line = qobject_cast<QLineEdit*>(Editor);
  if (Line && Line->isModified() && OnNewText) OnNewText(Index, Line->text());
}

QSize TTrackListDelegate::sizeHint(const QStyleOptionViewItem& Option,
                                   const QModelIndex& Index) const {
  QSize Size = QStyledItemDelegate::sizeHint(Option, Index);
  Size.setHeight(TTrackListView::RowHeight);
  return Size;
}

void TTrackListDelegate::initStyleOption(QStyleOptionViewItem* Option,
                                         const QModelIndex& Index) const {
  QStyledItemDelegate::initStyleOption(Option, Index);
  Option->state &= ~QStyle::State_HasFocus;
}

TTrackListView::TTrackListView(QWidget* Parent)
    : QTreeView(Parent),
      FModel(new TTrackListModel(this)),
      FDelegate(new TTrackListDelegate(this)) {
  setModel(FModel);
  setItemDelegate(FDelegate);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(SelectRows);
  setSelectionMode(ExtendedSelection);
  // F2, or a second click on the focused cell; a double click is Play.
  setEditTriggers(EditKeyPressed | SelectedClicked);
  setContextMenuPolicy(Qt::CustomContextMenu);
  QHeaderView* Header = header();
  Header->setSectionsMovable(true);
  Header->setStretchLastSection(false);
  Header->setHighlightSections(false);
  for (int Column = 0; Column < TTrackListModel::ColumnCount; ++Column)
    Header->resizeSection(Column, Columns[Column].Width);
  // The widths suit a small 8-point font; the Time column is widened where
  // the desktop's font would cut its text short.
  const int TimeWidth =
      fontMetrics().horizontalAdvance("0:00:00") +
      2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
  if (TimeWidth > Header->sectionSize(TTrackListModel::colTime))
    Header->resizeSection(TTrackListModel::colTime, TimeWidth);
}

std::vector<int> TTrackListView::SelectedRows() const {
  std::vector<int> Result;
  for (const QModelIndex& Index : selectionModel()->selectedRows()) Result.push_back(Index.row());
  std::sort(Result.begin(), Result.end());
  return Result;
}

void TTrackListView::EditFocusedCell() {
  QModelIndex Focused = currentIndex();
  if (Focused.isValid() && TTrackListModel::Editable(Focused.column())) edit(Focused);
}

QModelIndex TTrackListView::moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) {
  // The focus moves from cell to cell even though whole rows are selected.
  QModelIndex Current = currentIndex();
  if ((Action == MoveLeft || Action == MoveRight) && Current.isValid()) {
    const QHeaderView* Header = header();
    int Visual = Header->visualIndex(Current.column()) + (Action == MoveRight ? 1 : -1);
    while (Visual >= 0 && Visual < Header->count() &&
           Header->isSectionHidden(Header->logicalIndex(Visual)))
      Visual += Action == MoveRight ? 1 : -1;
    if (Visual < 0 || Visual >= Header->count()) return Current;
    return FModel->index(Current.row(), Header->logicalIndex(Visual));
  }
  return QTreeView::moveCursor(Action, Modifiers);
}

void TTrackListView::keyPressEvent(QKeyEvent* Event) {
  // The Enter that ends an edit belongs to the edit.
  const bool Enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
  if (Enter && !IsEditing() && OnReturn) {
    OnReturn();
    return;
  }
  QTreeView::keyPressEvent(Event);
}

void TTrackListView::paintEvent(QPaintEvent* Event) {
  QTreeView::paintEvent(Event);
  if (OnAfterPaint) OnAfterPaint();
}

}  // namespace tolvar
