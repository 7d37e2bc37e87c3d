// The message of the front-end error that an action raises, checking that it is one of
// ours (kind "Exception"); a test failure when nothing is raised.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/failure.h"

namespace orlindotest {

inline std::string FailureText(const std::function<void()>& action) {
  try {
    action();
  } catch (const zav::Failure& failure) {
    EXPECT_EQ(failure.kind, zav::ErrorKind::General);
    return failure.message;
  }
  ADD_FAILURE() << "no Failure thrown";
  return {};
}

}  // namespace orlindotest
