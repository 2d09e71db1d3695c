// The Qt window while it waits in real time for a device that answers late:
// it goes on painting, shows the wait cursor and throws away a click, a key
// press and a close. What the test does during a wait it does from timers,
// which run during a wait as paint and system events do.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "posix_clock.h"
#include "qt_window_fixture.h"

using namespace tessavue;

namespace {

// Counts the paint events of a widget and its children.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_)
      ++paints;
    return false;
  }
  int paints = 0;

 private:
  QWidget* window_;
};

// What one look at the window during a wait found.
struct Look {
  bool taken = false;
  bool waitCursor = false;
  bool closeRefused = false;
  bool stillVisible = false;
  int paints = 0;
  int selectedRow = -2;
  QString fieldText;
  QImage shot;
};

class QtWaitTest : public QtWindowFixture {
 protected:
  QtWaitTest() {
    paints_ = std::make_unique<PaintCounter>(window_.get());
    // From here on the network takes real time, as the program's demo does.
    world_.PlayInRealTime(realTime_);
  }

  int SelectedRow(QtListView* list) {
    for (int row = 0; row < list->GetItemCount(); ++row)
      if (list->GetItemState(row, kListItemSelected)) return row;
    return -1;
  }
  // After `ms` (within the wait that follows): asks for a repaint, then
  // tries a click on another row, a key in the address field, Escape and a
  // close. `then` ms later it looks at what came of it.
  void LookDuringTheWait(int ms, Look& look) {
    QTimer::singleShot(ms, &w(), [this, &look] {
      paintsAtStart_ = paints_->paints;
      w().update();
      ClickRow(ui().deviceList, 2);
      QTest::keyClick(ui().ipAddress->field(3), Qt::Key_7);
      QTest::keyClick(&w(), Qt::Key_Escape);
      look.closeRefused = !w().close();
      QTimer::singleShot(200, &w(), [this, &look] {
        look.taken = true;
        const QCursor* cursor = QApplication::overrideCursor();
        look.waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
        look.stillVisible = w().isVisible();
        look.paints = paints_->paints - paintsAtStart_;
        look.selectedRow = SelectedRow(ui().deviceList);
        look.fieldText = ui().ipAddress->field(3)->text();
        // What the window system holds of the window now: what was painted.
        look.shot = w().screen()->grabWindow(w().winId()).toImage();
      });
    });
  }
  static double ShareOfColour(const QImage& image, QColor colour) {
    if (image.isNull()) return 0;
    long hits = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y).rgb() == colour.rgb()) ++hits;
    return double(hits) / (image.width() * image.height());
  }

  PosixClock realTime_;
  std::unique_ptr<PaintCounter> paints_;
  int paintsAtStart_ = 0;
};

TEST_F(QtWaitTest, TheWindowPaintsAndTakesNoInputWhileASearchAndALateChangeRun) {
  // A search: about 1.2 s.
  ClickRow(ui().deviceList, 0);
  ASSERT_EQ(SelectedRow(ui().deviceList), 0);
  Look duringSearch;
  LookDuringTheWait(300, duringSearch);
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(ui().refreshButton, Qt::LeftButton);
  EXPECT_GT(clock.elapsed(), 1000);
  ASSERT_TRUE(duringSearch.taken);
  EXPECT_TRUE(duringSearch.waitCursor);
  EXPECT_TRUE(duringSearch.closeRefused);
  EXPECT_TRUE(duringSearch.stillVisible);
  EXPECT_GT(duringSearch.paints, 0);
  EXPECT_EQ(duringSearch.selectedRow, -1);  // the refresh emptied the list; the click chose nothing
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(ui().deviceList->GetItemCount(), 3);

  // An address change that the device confirms after 3 s.
  ClickRow(ui().deviceList, 0);
  ui().ipAddress->field(3)->setText("77");
  Look duringChange;
  LookDuringTheWait(1000, duringChange);
  clock.restart();
  QTest::mouseClick(ui().applyButton, Qt::LeftButton);
  EXPECT_GT(clock.elapsed(), 3000);
  ASSERT_TRUE(duringChange.taken);
  EXPECT_TRUE(duringChange.waitCursor);
  EXPECT_TRUE(duringChange.closeRefused);
  EXPECT_TRUE(duringChange.stillVisible);
  EXPECT_GT(duringChange.paints, 0);
  EXPECT_EQ(duringChange.selectedRow, 0);   // the click on row 2 was thrown away
  EXPECT_EQ(duringChange.fieldText, "77");  // and so was the key
  // Painted: the dialog's face in its colour, not a blank or greyed window.
  ASSERT_FALSE(duringChange.shot.isNull());
  EXPECT_GT(ShareOfColour(duringChange.shot, QColor(0, 98, 147)), 0.3);
  if (const char* dir = std::getenv("TESSAVUE_SCREENSHOT_DIR"))
    duringChange.shot.save(QString::fromLocal8Bit(dir) + "/linux-during-change-offscreen.png");

  // The change went through: no message, the device listed at its new
  // address, and everything takes input again.
  EXPECT_TRUE(modals_.shown.empty());
  EXPECT_EQ(ui().deviceList->GetItemText(0, 1), "192.168.0.77");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(w().isVisible());
  ClickRow(ui().deviceList, 2);
  EXPECT_EQ(SelectedRow(ui().deviceList), 2);
}

}  // namespace
