// The report block, the handler sequence and the throw-on-error switch.
#include "kelpforge/core/kf_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelpforge/core/implementation/kf_error_internal.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/report_capture.h"

namespace {

using Kelpforge::Core::Error::AddErrorHandler;
using Kelpforge::Core::Error::ErrorHandlerInterface;
using Kelpforge::Core::Error::RemoveErrorHandler;
using Kelpforge::Core::Error::ReportErrorIf;
using Kelpforge::Core::Error::SetThrowOnError;
using Kelpforge::Core::Error::kfImplementation::ExceptionalErrorHandler;
using KelpforgeTests::ReportBlock;
using KelpforgeTests::ReportCapture;

TEST(ErrorReport, PrintsTheExactFiveLineBlock) {
  testing::internal::CaptureStdout();
  ReportErrorIf(true, "game/kf_game_application", 30,
                "kfInternalError: Game Application has not been set.");
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed,
            "\n"
            "ASSERTION FAILED! -----------------------------------\n"
            "FILE game/kf_game_application[30]\n"
            "MESSAGE: kfInternalError: Game Application has not been set.\n"
            "ASSERTION FAILED! -----------------------------------\n");
}

TEST(ErrorReport, FormatsPrintfStyleAndKeepsATrailingLineBreak) {
  testing::internal::CaptureStdout();
  ReportErrorIf(true, "graphics/kf_sprite_manager", 36, "Was unable to load sprite sheet: %s\n",
                "data/missing.txt");
  const std::string printed = testing::internal::GetCapturedStdout();
  // The message's own line break leaves an empty line before the closing banner.
  EXPECT_EQ(printed, ReportBlock("graphics/kf_sprite_manager", 36,
                                 "Was unable to load sprite sheet: data/missing.txt\n"));
  EXPECT_NE(printed.find("data/missing.txt\n\nASSERTION FAILED!"), std::string::npos);
}

TEST(ErrorReport, FalseConditionPrintsNothingAndAllocatesNothing) {
  ReportCapture capture;
  testing::internal::CaptureStdout();
  std::size_t allocations = 0;
  {
    KelpforgeTests::AllocationCounter counter;
    ReportErrorIf(false, "any", 1, "%s %d", "never formatted", 7);
    allocations = counter.Count();
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(allocations, 0u);
  EXPECT_TRUE(capture.messages.empty());
}

TEST(ErrorReport, ShorthandNamesTheCallersFileRelativeToTheRepository) {
  testing::internal::CaptureStdout();
  const int line = __LINE__ + 1;
  KF_REPORT_ERROR_IF(1 + 1 == 2, "value %d", 42);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, ReportBlock("tests/core/kf_error_test.cpp", line, "value 42"));
}

TEST(ErrorReport, CutsAMessageAt4095Characters) {
  ReportCapture capture;
  const std::string longText(5000, 'x');
  testing::internal::CaptureStdout();
  ReportErrorIf(true, "f", 1, "%s", longText.c_str());
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(capture.messages.size(), 1u);
  EXPECT_EQ(capture.messages[0], std::string(4095, 'x'));
}

class OrderRecorder final : public ErrorHandlerInterface {
public:
  OrderRecorder(std::vector<std::string>& events, std::string name)
      : events_(events), name_(std::move(name)) {}
  void OnErrorFired(const std::string& message) override {
    // The block is already on standard output when handlers are told.
    events_.push_back(name_ + ":" + message + ":" + testing::internal::GetCapturedStdout());
    testing::internal::CaptureStdout();
  }

private:
  std::vector<std::string>& events_;
  std::string name_;
};

TEST(ErrorReport, TellsHandlersInRegistrationOrderAfterPrinting) {
  std::vector<std::string> events;
  OrderRecorder first(events, "first");
  OrderRecorder second(events, "second");
  AddErrorHandler(&first);
  AddErrorHandler(&second);
  testing::internal::CaptureStdout();
  ReportErrorIf(true, "unit", 12, "broken %s", "thing");
  testing::internal::GetCapturedStdout();
  RemoveErrorHandler(&first);
  RemoveErrorHandler(&second);

  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "first:broken thing:" + ReportBlock("unit", 12, "broken thing"));
  EXPECT_EQ(events[1], "second:broken thing:");

  // Removed handlers hear nothing more.
  testing::internal::CaptureStdout();
  ReportErrorIf(true, "unit", 13, "again");
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(events.size(), 2u);
}

class ThrowingHandler final : public ErrorHandlerInterface {
public:
  void OnErrorFired(const std::string& message) override { throw std::logic_error(message); }
};

TEST(ErrorReport, AThrowingHandlerEndsTheReportAndReachesTheCaller) {
  ThrowingHandler thrower;
  ReportCapture earlier;  // registered first, so told first
  std::vector<std::string> events;
  OrderRecorder afterThrower(events, "after");
  AddErrorHandler(&thrower);
  AddErrorHandler(&afterThrower);
  testing::internal::CaptureStdout();
  EXPECT_THROW(ReportErrorIf(true, "unit", 1, "boom"), std::logic_error);
  const std::string printed = testing::internal::GetCapturedStdout();
  RemoveErrorHandler(&thrower);
  RemoveErrorHandler(&afterThrower);
  EXPECT_EQ(printed, ReportBlock("unit", 1, "boom"));
  EXPECT_EQ(earlier.messages, std::vector<std::string>{"boom"});
  EXPECT_TRUE(events.empty());
}

TEST(ErrorReport, SwitchThrowsTheMessageAndPrintsNothing) {
  ReportCapture capture;
  SetThrowOnError(true);
  testing::internal::CaptureStdout();
  std::string what;
  try {
    ReportErrorIf(true, "unit", 5, "kfError: code %d", 9);
  } catch (const ExceptionalErrorHandler::ErroredException& exception) {
    what = exception.what();
  }
  SetThrowOnError(false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(what, "kfError: code 9");
  EXPECT_TRUE(capture.messages.empty());
}

TEST(ErrorReport, ExceptionalHandlerIsAnErrorHandlerThatThrowsARuntimeError) {
  ExceptionalErrorHandler handler;
  ErrorHandlerInterface& asInterface = handler;
  EXPECT_THROW(asInterface.OnErrorFired("text"), std::runtime_error);
}

}  // namespace
