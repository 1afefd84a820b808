// The dialogs' tests run inside a Qt application of their own, as a Qt
// program that calls the library does (the library then uses it). The
// application is made before the first test and lives to the end; the
// program's main() is the tests' common one.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

class QtApplication : public ::testing::Environment {
  public:
    void SetUp() override { m_application = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_application.reset(); }

  private:
    int m_argc = 1;
    char m_name[16] = "kaleidra-tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_application;
};

[[maybe_unused]] ::testing::Environment* const qt_application =
    ::testing::AddGlobalTestEnvironment(new QtApplication);

}  // namespace
