// Start-up as separate processes of Kestrel_Scan.exe: the refusal of
// arguments, the single-instance guard with and without a window to bring
// forward, and the exit status of a normal end and of the end of a session.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/GuiHarness.h"
#include "support/ProgramProcess.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kTitle = kAppTitle;

TEST(StartupProcess, AnyArgumentIsRefusedWithoutAWindow) {
  ASSERT_FALSE(ProgramPath().empty()) << "KESTREL_APP_EXE is not set";
  TempDir dir;
  for (const char* arguments : {" \"\"", " capture.bin"}) {
    SCOPED_TRACE(arguments);
    Program program(arguments);
    ASSERT_TRUE(program.started());
    auto box = AnswerBox("起動エラー", IDOK, kStartTimeoutMs, program.id());
    AnsweredBox seen = box.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "引数を指定する事は出来ません");
    EXPECT_FALSE(seen.has_icon);
    EXPECT_NE(program.ExitStatus(10000), -1);
    EXPECT_EQ(FindWindowA(kTitle, nullptr), nullptr);
  }
}

TEST(StartupProcess, SecondStartBringsTheFirstForwardAndEndsQuietly) {
  ASSERT_FALSE(ProgramPath().empty()) << "KESTREL_APP_EXE is not set";
  TempDir dir;
  Program first("");
  ASSERT_TRUE(first.started());
  HWND window = first.WaitForMainWindow();
  ASSERT_NE(window, nullptr);

  // Put a window of the test in front, so that the second start has to bring
  // the first one forward.
  HWND other = CreateWindowExA(0, "STATIC", "in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  PumpMessages();
  ASSERT_NE(GetForegroundWindow(), window);

  Program second("");
  ASSERT_TRUE(second.started());
  EXPECT_EQ(second.ExitStatus(kStartTimeoutMs), 0);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }, 5000));

  // The single-instance check comes before the argument check.
  Program third(" \"\"");
  ASSERT_TRUE(third.started());
  EXPECT_EQ(third.ExitStatus(kStartTimeoutMs), 0);
  EXPECT_EQ(FindDialog("起動エラー", third.id()), nullptr);
  DestroyWindow(other);

  // A normal end: the exit question answered with OK, status 0.
  auto question = AnswerBox("終了確認", IDOK, kStartTimeoutMs, first.id());
  PostMessageA(window, WM_CLOSE, 0, 0);
  AnsweredBox seen = question.get();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "終了しますか？");
  EXPECT_EQ(first.ExitStatus(kStartTimeoutMs), 0);
}

TEST(StartupProcess, SecondStartWithoutAWindowSaysItIsRunning) {
  ASSERT_FALSE(ProgramPath().empty()) << "KESTREL_APP_EXE is not set";
  TempDir dir;
  // The first instance holds the mutex while it shows its argument message:
  // the second finds the mutex but no window.
  Program first(" x");
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(
      WaitUntil([&] { return FindDialog("起動エラー", first.id()) != nullptr; }, kStartTimeoutMs));

  Program second("");
  ASSERT_TRUE(second.started());
  auto box = AnswerBox("アプリケーションの2重起動", IDOK, kStartTimeoutMs, second.id());
  AnsweredBox seen = box.get();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "「Kestrel_Scan Ver 1.0.1.0」は既に起動しています");
  EXPECT_TRUE(seen.has_icon);
  EXPECT_EQ(second.ExitStatus(10000), 0);

  auto refusal = AnswerBox("起動エラー", IDOK, kStartTimeoutMs, first.id());
  EXPECT_TRUE(refusal.get().found);
  EXPECT_NE(first.ExitStatus(10000), -1);
}

TEST(StartupProcess, EndOfSessionEndsWithStatusZeroWithoutAsking) {
  ASSERT_FALSE(ProgramPath().empty()) << "KESTREL_APP_EXE is not set";
  TempDir dir;
  Program program("");
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  PostMessageA(window, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(program.ExitStatus(kStartTimeoutMs), 0);
  EXPECT_EQ(FindDialog("終了確認", program.id()), nullptr);
}

}  // namespace
