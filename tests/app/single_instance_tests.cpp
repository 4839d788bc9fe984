// One window per user session: a second start brings the first window forward and ends without a window of its
// own.
#include <gtest/gtest.h>

#include "app/run_mode.h"
#include "app/single_instance_win.h"
#include "tests/app/child_process.h"
#include "tests/support/test_support.h"
#include "ui/main_window.h"

namespace tavlun {
namespace {

using namespace testing_support;

TEST(SingleWindow, ASecondStartBringsTheFirstWindowForwardAndEnds) {
  ChildProcess first;
  ASSERT_TRUE(first.Start(ProgramPath(), L""));
  first.Resume();
  const HWND window = WaitForVisibleWindow(first.id(), kMainWindowClass);
  ASSERT_NE(window, nullptr);

  // The first window minimised behind a window of this test.
  HWND other = ::CreateWindowExW(0, L"STATIC", L"Önde", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                 nullptr, nullptr, nullptr);
  ::ShowWindow(window, SW_MINIMIZE);
  ::SetForegroundWindow(other);
  PumpMessagesFor(300);
  ASSERT_TRUE(::IsIconic(window));

  ChildProcess second;
  ASSERT_TRUE(second.Start(ProgramPath(), L""));
  WindowWatch watch(second.id());
  second.Resume();
  DWORD second_code = 999;
  ASSERT_TRUE(second.WaitForExit(30000, &second_code));
  EXPECT_EQ(second_code, static_cast<DWORD>(kExitFirstWindowShown));
  EXPECT_TRUE(watch.UserWindows().empty()) << "the second start showed a window";
  for (int i = 0; i < 100 && ::IsIconic(window); ++i) PumpMessagesFor(50);
  EXPECT_FALSE(::IsIconic(window));
  EXPECT_EQ(::GetForegroundWindow(), window);

  ::DestroyWindow(other);
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  DWORD exit_code = 999;
  ASSERT_TRUE(first.WaitForExit(30000, &exit_code));
  EXPECT_EQ(exit_code, 0u);
}

}  // namespace
}  // namespace tavlun
