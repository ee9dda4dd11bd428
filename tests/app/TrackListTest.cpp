// The track list's model and view on their own: rows, fields and their
// limits, columns, checks and the cell focus.
#include <QHeaderView>

#include "AppTestSupport.h"
#include "app/TrackList.h"

using namespace tolvar;
using Col = TTrackListModel;

class TrackListTest : public QObject {
  Q_OBJECT
 private slots:
  void newRowsAreInitialisedAndExistingRowsKept() {
    TTrackListModel Model;
    Model.SetRowCount(3);
    Model.SetField(1, Col::colTitle, "Kept");
    Model.SetChecked(2, false);
    Model.SetRowCount(12);
    QCOMPARE(Model.rowCount(), 12);
    QCOMPARE(Model.Node(1).Title, std::string("Kept"));
    QVERIFY(!Model.Checked(2));
    for (int Row = 3; Row < 12; ++Row) {
      const TTrackNodeData& Node = Model.Node(Row);
      QCOMPARE(Node.Title, "Track " + std::to_string(Row + 1));
      QCOMPARE(Node.Artist, std::string("Unknown"));
      QCOMPARE(Node.Comment, std::string("Ripped by Tolvar"));
      QVERIFY(Node.Year.empty() && Node.Album.empty() && Node.Genre.empty());
      QVERIFY(Model.Checked(Row));
    }
    // Shrinking removes from the end; a new disc after removal starts afresh.
    Model.SetRowCount(2);
    QCOMPARE(Model.rowCount(), 2);
    Model.SetRowCount(0);
    Model.SetRowCount(12);
    QCOMPARE(Model.Node(1).Title, std::string("Track 2"));
    QCOMPARE(Model.Node(11).Title, std::string("Track 12"));
  }

  void fieldsAreCutToTheirLimits() {
    TTrackListModel Model;
    Model.SetRowCount(1);
    Model.SetField(0, Col::colYear, "19999");
    Model.SetField(0, Col::colAlbum, std::string(40, 'a'));
    Model.SetField(0, Col::colGenre, std::string(31, 'g'));
    Model.SetField(0, Col::colComment, std::string(30, 'c'));
    Model.SetField(0, Col::colArtist, std::string(300, 'r'));
    Model.SetField(0, Col::colTitle, std::string(256, 't'));
    Model.SetField(0, Col::colTime, "9:99");
    const TTrackNodeData& Node = Model.Node(0);
    QCOMPARE(Node.Year, std::string("1999"));
    QCOMPARE(Node.Album, std::string(30, 'a'));
    QCOMPARE(Node.Genre, std::string(30, 'g'));
    QCOMPARE(Node.Comment, std::string(30, 'c'));
    QCOMPARE(Node.Artist, std::string(255, 'r'));
    QCOMPARE(Node.Title, std::string(255, 't'));
    // Texts are kept whole in UTF-8; the limits count characters, and a cut
    // never splits one.
    QString Long = QString::fromUtf8("Caf\u00e9 \u4e2d");
    while (Long.size() < 40) Long += QChar(0x4e2d);
    Model.setData(Model.index(0, Col::colAlbum), Long, Qt::EditRole);
    QCOMPARE(Model.data(Model.index(0, Col::colAlbum), Qt::DisplayRole).toString(), Long.left(30));
    QCOMPARE(Model.Node(0).Album.size(), size_t(3 + 2 + 1 + 25 * 3));
  }

  void columnsAndCells() {
    TTrackListView View;
    TTrackListModel* Model = View.Model();
    const QStringList Captions = {"Artist", "Title", "Time",     "Year",
                                  "Album",  "Genre", "Comments", "Accuracy"};
    const int Widths[] = {130, 130, 50, 60, 130, 90, 70, 100};
    for (int C = 0; C < Col::ColumnCount; ++C) {
      QCOMPARE(Model->headerData(C, Qt::Horizontal, Qt::DisplayRole).toString(), Captions[C]);
      if (C != Col::colTime) QCOMPARE(View.header()->sectionSize(C), Widths[C]);
    }
    // Time keeps its 50 pixels unless the font needs more for a whole time.
    QVERIFY(View.header()->sectionSize(Col::colTime) >= 50);
    QVERIFY(View.header()->sectionSize(Col::colTime) >
            View.fontMetrics().horizontalAdvance("0:00:00"));
    Model->SetRowCount(2);
    Model->TimeText = [](int Row) { return Row == 0 ? QString("0:04:07") : QString(); };
    Model->IsAudio = [](int Row) { return Row == 0; };
    QCOMPARE(Model->data(Model->index(0, Col::colTime), Qt::DisplayRole).toString(),
             QString("0:04:07"));
    auto Align = [&](int C) {
      return Model->data(Model->index(0, C), Qt::TextAlignmentRole).value<Qt::Alignment>() &
             Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(Align(Col::colTime), Qt::AlignRight);
    QCOMPARE(Align(Col::colYear), Qt::AlignRight);
    QCOMPARE(Align(Col::colArtist), Qt::AlignLeft);
    // The check box lives in the Title column only; Time cannot be edited.
    QVERIFY(Model->flags(Model->index(0, Col::colTitle)) & Qt::ItemIsUserCheckable);
    QVERIFY(!Model->data(Model->index(0, Col::colArtist), Qt::CheckStateRole).isValid());
    QVERIFY(!(Model->flags(Model->index(0, Col::colTime)) & Qt::ItemIsEditable));
    // Accuracy shows the program's verdict and takes no edit.
    QVERIFY(!Model->setData(Model->index(0, Col::colAccuracy), "x", Qt::EditRole));
    Model->SetAccuracy(0, "Accurate (12)");
    QCOMPARE(Model->data(Model->index(0, Col::colAccuracy)).toString(), QString("Accurate (12)"));
    QVERIFY(Model->flags(Model->index(0, Col::colYear)) & Qt::ItemIsEditable);
    // A data track is grey and can still be checked.
    QVERIFY(!Model->data(Model->index(0, Col::colTitle), Qt::ForegroundRole).isValid());
    QCOMPARE(Model->data(Model->index(1, Col::colTitle), Qt::ForegroundRole).value<QBrush>(),
             QApplication::palette().brush(QPalette::Disabled, QPalette::Text));
    QVERIFY(Model->setData(Model->index(1, Col::colTitle), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!Model->Checked(1));
    QVERIFY(Model->setData(Model->index(1, Col::colTitle), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(Model->Checked(1));
    View.show();
    QVERIFY(QTest::qWaitForWindowExposed(&View));
    QCOMPARE(View.visualRect(Model->index(0, 0)).height(), TTrackListView::RowHeight);
  }

  void setAllChecksLeavesTextsAlone() {
    TTrackListModel Model;
    Model.SetRowCount(4);
    Model.SetField(2, Col::colArtist, "Someone");
    Model.SetAllChecks(false);
    for (int Row = 0; Row < 4; ++Row) QVERIFY(!Model.Checked(Row));
    Model.SetAllChecks(true);
    for (int Row = 0; Row < 4; ++Row) QVERIFY(Model.Checked(Row));
    QCOMPARE(Model.Node(2).Artist, std::string("Someone"));
    QCOMPARE(Model.Node(3).Title, std::string("Track 4"));
  }

  void focusMovesFromCellToCellOverWholeRowSelection() {
    TTrackListView View;
    View.Model()->SetRowCount(3);
    View.show();
    QVERIFY(QTest::qWaitForWindowExposed(&View));
    View.setCurrentIndex(View.Model()->index(1, Col::colArtist));
    QTest::keyClick(&View, Qt::Key_Right);
    QCOMPARE(View.currentIndex(), View.Model()->index(1, Col::colTitle));
    QTest::keyClick(&View, Qt::Key_Left);
    QTest::keyClick(&View, Qt::Key_Left);
    QCOMPARE(View.currentIndex(), View.Model()->index(1, Col::colArtist));
    QCOMPARE(View.SelectedRows(), std::vector<int>{1});
    QCOMPARE(View.selectionModel()->selectedIndexes().size(), int(Col::ColumnCount));
  }
};

TOLVAR_APP_TEST_MAIN(TrackListTest)
#include "TrackListTest.moc"
