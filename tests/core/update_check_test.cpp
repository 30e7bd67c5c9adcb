// Which answer each caller of the update check gets, and how a second
// request joins a running check.
#include <gtest/gtest.h>

#include "commands/update_check.h"

namespace gw {
namespace {

TEST(UpdateAnswerTest, EachCallerGetsItsAnswers) {
  using C = UpdateCaller;
  using R = UpdateResult;
  using A = UpdateAnswer;
  struct Row {
    C caller;
    A no_connection, unreadable, newer, current;
  };
  // Only the start-up check waits for a retry, and only the menu says that
  // the program is current.
  const Row rows[] = {
      {C::StartUp, A::RetryLater, A::Unreadable, A::Offer, A::Nothing},
      {C::Retry, A::NoConnection, A::Unreadable, A::Offer, A::Nothing},
      {C::Menu, A::NoConnection, A::Unreadable, A::Offer, A::Current},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.caller));
    EXPECT_EQ(AnswerFor(row.caller, R::NoConnection), row.no_connection);
    EXPECT_EQ(AnswerFor(row.caller, R::Unreadable), row.unreadable);
    EXPECT_EQ(AnswerFor(row.caller, R::NewerVersion), row.newer);
    EXPECT_EQ(AnswerFor(row.caller, R::Current), row.current);
  }
}

TEST(UpdateAnswerTest, AJoinedCheckAnswersTheCallerWhoExpectsMost) {
  EXPECT_EQ(JoinCallers(UpdateCaller::StartUp, UpdateCaller::Menu), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::Menu, UpdateCaller::StartUp), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::Menu, UpdateCaller::Retry), UpdateCaller::Menu);
  EXPECT_EQ(JoinCallers(UpdateCaller::StartUp, UpdateCaller::Retry), UpdateCaller::Retry);
}

}  // namespace
}  // namespace gw
