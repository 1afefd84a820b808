#include "kaleidra/testing/xvfb_environment.h"

namespace kdr::test {

void XvfbEnvironment::SetUp() {
    std::string error;
    ASSERT_TRUE(m_server.start(error)) << error;
}

void XvfbEnvironment::TearDown() {
    m_server.stop();
}

}  // namespace kdr::test
