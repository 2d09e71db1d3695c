// The real Qt window on the offscreen platform over the demo world, shown and
// active: what the window tests and the wait tests both start from.
#pragma once

#include <gtest/gtest.h>

#include <QRect>
#include <QTest>
#include <memory>

#include "demo_world.h"
#include "memory_system.h"
#include "modal_driver.h"
#include "qt_dialogs.h"
#include "utility_app.h"

namespace tessavue {

class QtWindowFixture : public ::testing::Test {
 protected:
  QtWindowFixture()
      : app_(world_.network, world_.clock, world_.connections, shell_, system_, world_.resolver) {
    // Linux names no Windows version: the Connect of the non-NT family.
    system_.SetVersion(0, 6, 1, 0);
    EXPECT_TRUE(app_.protocol.InitTransport());
    SetDialogColors(kDialogBackground, kDialogText);
    window_ = std::make_unique<QtMainWindow>(app_);
    window_->InitDialog();
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get(), 2000));
    // The first paint has started the first search; the tests begin after it.
    for (int i = 0; i < 500 && !(w().logic().FirstSearchDone() && !w().Waiting()); ++i)
      QTest::qWait(10);
    EXPECT_TRUE(w().logic().FirstSearchDone());
  }

  QtMainWindow& w() { return *window_; }
  void ClickRow(QtListView* list, int row) {
    QRect r = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }

  DemoWorld world_;
  MemorySystem system_;
  RecordingShell shell_;
  UtilityApp app_;
  std::unique_ptr<QtMainWindow> window_;
  ModalDriver modals_;
};

}  // namespace tessavue
