// The Qt window during a search in real time: a device that answers at once
// is listed and painted long before the search ends.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "posix_clock.h"
#include "qt_window_fixture.h"

using namespace tessavue;

namespace {

class QtDeviceRowsTest : public QtWindowFixture {
 protected:
  QtDeviceRowsTest() { world_.PlayInRealTime(realTime_); }

  // Pixels of the window's picture inside row `row` of the device list that
  // differ from the list's background: its text, once painted.
  int InkInRow(const QImage& shot, int row) {
    QtListView* list = ui().deviceList;
    QRect rect = list->visualRect(list->model()->index(0, 0));
    rect.setWidth(list->viewport()->width());
    rect.moveTop(rect.height() * row);
    rect &= list->viewport()->rect();
    rect.translate(list->viewport()->mapTo(&w(), QPoint(0, 0)));
    const qreal ratio = shot.devicePixelRatio();
    const QColor background = list->palette().color(QPalette::Base);
    int ink = 0;
    for (int y = int(rect.top() * ratio); y <= int(rect.bottom() * ratio); ++y)
      for (int x = int(rect.left() * ratio); x <= int(rect.right() * ratio); ++x)
        if (shot.valid(x, y) && shot.pixelColor(x, y).rgb() != background.rgb()) ++ink;
    return ink;
  }

  PosixClock realTime_;
};

TEST_F(QtDeviceRowsTest, ARowIsPaintedBeforeTheSearchEnds) {
  ASSERT_EQ(ui().deviceList->GetItemCount(), 3);
  struct {
    bool taken = false;
    int rows = -1;
    bool refreshEnabled = true;
    QImage shot;
  } during;
  // 300 ms into the search of about 1.2 s: the devices answered at once.
  QTimer::singleShot(300, &w(), [&] {
    during.taken = true;
    during.rows = ui().deviceList->GetItemCount();
    during.refreshEnabled = ui().refreshButton->IsEnabled();
    during.shot = w().screen()->grabWindow(w().winId()).toImage();
  });
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(ui().refreshButton, Qt::LeftButton);
  EXPECT_GT(clock.elapsed(), 1000);

  ASSERT_TRUE(during.taken);
  EXPECT_EQ(during.rows, 3);
  EXPECT_FALSE(during.refreshEnabled);
  ASSERT_FALSE(during.shot.isNull());
  // Rows 0 to 2 carry text on the picture; the row below them is empty.
  EXPECT_GT(InkInRow(during.shot, 0), 20);
  EXPECT_GT(InkInRow(during.shot, 2), 20);
  EXPECT_EQ(InkInRow(during.shot, 3), 0);
  if (const char* dir = std::getenv("TESSAVUE_SCREENSHOT_DIR"))
    during.shot.save(QString::fromLocal8Bit(dir) + "/linux-rows-during-search-offscreen.png");

  EXPECT_TRUE(ui().refreshButton->IsEnabled());
  EXPECT_EQ(ui().deviceList->GetItemText(2, 0), "Tessavue-Lab");
}

}  // namespace
