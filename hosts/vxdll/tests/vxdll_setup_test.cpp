// The setups of U_Kdr30 and Kdr5_30 through the real selection dialog of
// Kaleidra30 (offscreen, answered by its dialog script). The test program
// is the host: it runs its own Qt application, and for U_Kdr30 shows its
// own effect dialog, whose setup button the transition's event filter
// hears.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <thread>

#include "vx_test_support.h"

namespace kdr::vxdll::test {
namespace {

// The host's effect dialog as far as U_Kdr30 uses it: the number in
// controls 121 (hundreds) and 122 (units), the setup button 301, and the
// controls 203 and 204 through which the transition hands back a number,
// which the host then shows in 121 and 122.
class HostEffectDialog {
  public:
    explicit HostEffectDialog(const QString& title) {
        dialog.setWindowTitle(title);
        auto* layout = new QVBoxLayout(&dialog);
        for (auto [spin, name] : {std::pair{&hundreds, "121"},
                                  {&units, "122"},
                                  {&new_hundreds, "203"},
                                  {&new_units, "204"}}) {
            *spin = new QSpinBox(&dialog);
            (*spin)->setObjectName(QString::fromLatin1(name));
            (*spin)->setRange(0, 9999999);
            layout->addWidget(*spin);
        }
        setup = new QPushButton(QStringLiteral("Setup..."), &dialog);
        setup->setObjectName(QStringLiteral("301"));
        layout->addWidget(setup);
        QObject::connect(new_hundreds, &QSpinBox::valueChanged, hundreds, &QSpinBox::setValue);
        QObject::connect(new_units, &QSpinBox::valueChanged, units, &QSpinBox::setValue);
        dialog.show();
    }
    void show_number(int number) {
        hundreds->setValue(number / 100);
        units->setValue(number % 100);
    }
    int number() const { return hundreds->value() * 100 + units->value(); }
    void click_setup() { QTest::mouseClick(setup, Qt::LeftButton); }

    QDialog dialog;
    QSpinBox* hundreds = nullptr;
    QSpinBox* units = nullptr;
    QSpinBox* new_hundreds = nullptr;
    QSpinBox* new_units = nullptr;
    QPushButton* setup = nullptr;
};

class VxSetupTest : public VxHostTest {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "vxdll_setup_test";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) {
            new QApplication(argc, argv);
        }
    }
    void SetUp() override {
        VxHostTest::SetUp();
        const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
        for (const std::filesystem::path& folder : {effects(), textures()}) {
            std::filesystem::remove(folder);
        }
        std::filesystem::create_directory_symlink(stage / "EFFECTS", effects());
        std::filesystem::create_directory_symlink(stage / "Textures", textures());
        install_counting_engine("Rnd_Count");
    }
    void TearDown() override {
        ::unsetenv("KALEIDRA_DIALOG_SCRIPT");
        VxHostTest::TearDown();
    }
    static void script(const char* text) { ::setenv("KALEIDRA_DIALOG_SCRIPT", text, 1); }
};

// "choose 1026 2; click 1001" picks the third group's first effect.
constexpr const char* choose_shatter = "choose 1026 2; click 1001; ok";

TEST_F(VxSetupTest, TheOlderTransitionIsSetUpFromTheHostsOwnDialog) {
    write_settings(1234, "PageTurn");
    load(KDR_U_KDR30);
    // The first call of any export installs the filter in the host's
    // application.
    EXPECT_EQ(entry<hostkit::VxGetFileEffNumFn>("vxDLLGetFileEffNum")(), 1);
    HostEffectDialog host(QStringLiteral("Transition - * KDR 3.0 *"));

    // 1234 is shown as 12 and 34, and comes back so.
    host.show_number(1234);
    script(choose_shatter);
    host.click_setup();
    EXPECT_EQ(host.new_hundreds->value(), 12);
    EXPECT_EQ(host.new_units->value(), 34);
    EXPECT_EQ(settings_name(1234), "Shatter");

    // A render with that number uses the file's settings.
    VxBitmap a(32, 24, 1);
    VxBitmap b(32, 24, 2);
    VxBitmap output(32, 24);
    entry<hostkit::VxApplyEffectFn>("vxDLLApplyEffect")(&output.header, output.data(), &a.header,
                                                        a.data(), nullptr, b.data(), 10, 4, 0, 0, 0,
                                                        0, 12, 34);
    ASSERT_EQ(engine_events("render").size(), 1u);
    EXPECT_EQ(engine_events("render")[0].name, "Shatter");

    // Cancel saves nothing and leaves the host's number.
    host.new_hundreds->setValue(77);
    script("choose 1026 3; cancel");
    host.click_setup();
    EXPECT_EQ(host.new_hundreds->value(), 77);
    EXPECT_EQ(settings_name(1234), "Shatter");

    // A new transition (0) gets the first free number.
    host.show_number(0);
    script("ok");
    host.click_setup();
    EXPECT_EQ(host.number(), 1);
    EXPECT_TRUE(std::filesystem::exists(work() / "1.HUL"));

    // A setup button in another window is not the transition's.
    HostEffectDialog other(QStringLiteral("Another effect"));
    other.show_number(0);
    script("ok");
    other.click_setup();
    EXPECT_FALSE(std::filesystem::exists(work() / "2.HUL"));
    EXPECT_EQ(messages(), "");

    // A settings file that cannot be written: a message, and the host's
    // number stays.
    std::filesystem::rename(work(), root() / "Work.away");
    host.show_number(0);
    host.new_units->setValue(55);
    script("ok");
    host.click_setup();
    EXPECT_EQ(host.new_units->value(), 55);
    EXPECT_NE(messages().find("error\tFile Error\t"), std::string::npos) << messages();
    std::filesystem::rename(root() / "Work.away", work());

    // Once the library is unloaded its filter is gone: the host's clicks
    // reach nothing of it.
    unload();
    host.show_number(0);
    script("ok");
    host.click_setup();
    EXPECT_FALSE(std::filesystem::exists(work() / "2.HUL"));
}

// A host whose first call comes from another thread: the filter is
// installed on the application's thread when its events are next
// processed.
TEST_F(VxSetupTest, TheFilterIsInstalledOnTheApplicationsThread) {
    load(KDR_U_KDR30);
    HostEffectDialog host(QStringLiteral("* KDR 3.0 *"));
    host.show_number(0);
    host.new_units->setValue(55);
    script("ok");
    host.click_setup();
    EXPECT_EQ(host.new_units->value(), 55) << "no export called yet: nothing watches";

    auto call_from_another_thread = [this] {
        std::thread worker([this] { entry<hostkit::VxGetFileEffNumFn>("vxDLLGetFileEffNum")(); });
        worker.join();
    };
    // Unloaded before the application got to the queued installation: it
    // never runs.
    call_from_another_thread();
    unload();
    QCoreApplication::processEvents();
    host.click_setup();
    EXPECT_EQ(host.new_units->value(), 55);

    load(KDR_U_KDR30);
    call_from_another_thread();
    QCoreApplication::processEvents();
    host.click_setup();
    EXPECT_EQ(host.new_units->value(), 1);
    EXPECT_TRUE(std::filesystem::exists(work() / "1.HUL"));
}

// The selection dialog library reads its catalogue once, from the first
// test's installation: this test picks no effect from it.
TEST_F(VxSetupTest, TheNewerTransitionSavesOnlyOnOk) {
    load(KDR_KDR5_30);
    auto apply = entry<hostkit::Vx5ApplyEffectFn>("vxDLLApplyEffect");
    for (std::int32_t n = 1; n <= 99; ++n) {
        write_settings(n, "PageTurn");
    }
    std::int32_t number = 0;
    hostkit::Vx5SetupRecord record;
    std::memset(&record, 0, sizeof record);
    record.number = &number;

    // Cancel: nothing saved, the number as it was.
    script("cancel");
    EXPECT_EQ(apply(hostkit::vx5_setup, &record, 0), 1);
    EXPECT_EQ(number, 0);
    EXPECT_FALSE(std::filesystem::exists(work() / "101.HUL"));

    // OK: a new transition takes the first free number.
    script("ok");
    EXPECT_EQ(apply(hostkit::vx5_setup, &record, 0), 1);
    EXPECT_EQ(number, 101);
    EXPECT_TRUE(std::filesystem::exists(work() / "101.HUL"));

    // OK over an existing number rewrites it in place.
    number = 5;
    script("ok");
    EXPECT_EQ(apply(hostkit::vx5_setup, &record, 0), 1);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(settings_name(5), "PageTurn");

    // A number whose file cannot be read starts cleared, under a new number.
    number = 4000;
    script("ok");
    EXPECT_EQ(apply(hostkit::vx5_setup, &record, 0), 1);
    EXPECT_EQ(number, 102);
    EXPECT_EQ(messages(), "");

    // A file that cannot be written: a message, and the host's number stays.
    std::filesystem::remove_all(work());
    number = 0;
    script("ok");
    EXPECT_EQ(apply(hostkit::vx5_setup, &record, 0), 1);
    EXPECT_EQ(number, 0);
    EXPECT_NE(messages().find("error\tFile Error\t"), std::string::npos) << messages();
}

}  // namespace
}  // namespace kdr::vxdll::test
