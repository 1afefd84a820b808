#pragma once
// A GoogleTest environment that owns one X server (xvfb_server.h) for the
// whole test program of tests that draw through GLX.

#include <gtest/gtest.h>

#include "kaleidra/testing/xvfb_server.h"

namespace kdr::test {

// Owns one server for the whole test program:
//   ::testing::AddGlobalTestEnvironment(new kdr::test::XvfbEnvironment);
class XvfbEnvironment : public ::testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override;

  private:
    XvfbServer m_server;
};

}  // namespace kdr::test
