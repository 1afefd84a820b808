// Runs the kdr-reg program as a user would: on one store named by
// $KALEIDRA_REGISTRY, and on a user's store over a system store.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"
#include "kaleidra/testing/temp_folder.h"

namespace kdr {
namespace {

constexpr const char* key = "Software\\Talvane\\Kaleidra\\3.0";

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class KdrRegTest : public ::testing::Test {
  protected:
    // kdr-reg with `arguments` in an environment of `settings` (NAME=value;
    // the test's own $KALEIDRA_REGISTRY is left out unless given).
    Outcome run(const std::vector<std::string>& settings,
                const std::vector<std::string>& arguments) const {
        std::string command = "env -u KALEIDRA_REGISTRY";
        for (const std::string& setting : settings) {
            command += " " + quoted(setting);
        }
        command += " " + quoted(KDR_REG_PROGRAM);
        for (const std::string& argument : arguments) {
            command += " " + quoted(argument);
        }
        const auto out = folder.path() / "stdout.txt";
        const auto err = folder.path() / "stderr.txt";
        command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
        const int status = std::system(command.c_str());
        Outcome outcome;
        outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = slurp(out);
        outcome.err = slurp(err);
        return outcome;
    }
    // On the one store.
    Outcome reg(const std::vector<std::string>& arguments) const {
        return run({"KALEIDRA_REGISTRY=" + store.string()}, arguments);
    }

    test::TempFolder folder;
    std::filesystem::path store = folder.path() / "registry";
};

TEST_F(KdrRegTest, SetKeepsTheTypeOfTheValueItChanges) {
    ASSERT_TRUE(platform::Registry(store)
                    .set(key, platform::RegistryValue::make_number("Rnd_Multi", 0))
                    .ok());
    ASSERT_TRUE(
        platform::Registry(store).set(key, platform::RegistryValue::make_binary("Blob", {1})).ok());
    ASSERT_TRUE(platform::Registry(store)
                    .set(key, platform::RegistryValue::make_string("Engine", "x"))
                    .ok());

    EXPECT_EQ(reg({"set", key, "Rnd_Multi", "1"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key, "Blob", "0a0b"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key, "Engine", "2"}).exit_code, 0);
    EXPECT_EQ(reg({"set", key, "Fresh", "7"}).exit_code, 0);

    const platform::Registry registry(store);
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->type, platform::RegistryType::number);
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->number, 1u);
    EXPECT_EQ(registry.get(key, "Blob")->bytes, (std::vector<std::uint8_t>{10, 11}));
    EXPECT_EQ(registry.get(key, "Engine")->type, platform::RegistryType::string);
    EXPECT_EQ(registry.get(key, "Engine")->text, "2");
    EXPECT_EQ(registry.get(key, "Fresh")->type, platform::RegistryType::string);

    // Text that is no number leaves the number as it was and says what to do.
    const std::string before = slurp(store);
    const Outcome refused = reg({"set", key, "Rnd_Multi", "yes"});
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.err.find("\"yes\" is not a 32-bit number"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--string"), std::string::npos) << refused.err;
    EXPECT_EQ(slurp(store), before);

    // An explicit type wins.
    EXPECT_EQ(reg({"set", "--string", key, "Rnd_Multi", "yes"}).exit_code, 0);
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->text, "yes");
    EXPECT_EQ(reg({"set", "--missing", "--number", key, "Rnd_Multi", "3"}).exit_code, 0);
    EXPECT_EQ(registry.get(key, "Rnd_Multi")->text, "yes");
}

TEST_F(KdrRegTest, AStoreThatCannotBeReadIsNotReportedAsAMissingValue) {
    std::filesystem::create_directory(store);
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"get", key, "Path"},
                                                      {"list", key},
                                                      {"keys"},
                                                      {"set", key, "Path", "/x"}}) {
        const Outcome outcome = reg(arguments);
        EXPECT_EQ(outcome.exit_code, 3) << arguments[0];
        EXPECT_EQ(
            outcome.err.rfind("kdr-reg: cannot read the store: \"" + store.string() + "\"", 0), 0u)
            << outcome.err;
    }
    std::filesystem::remove(store);
    std::ofstream(store) << "[" << key << "]\n\"Path\"=string:\"/opt/kaleidra\n";
    const Outcome broken = reg({"get", key, "Path"});
    EXPECT_EQ(broken.exit_code, 3);
    EXPECT_NE(broken.err.find("cannot read the store: line 2 of"), std::string::npos) << broken.err;
    const Outcome missing = reg({"get", key, "Engine"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("no value \"Engine\""), std::string::npos) << missing.err;
}

// A user's store over the system store: the user sees both, writes only
// their own, and --system writes the system store.
TEST_F(KdrRegTest, ShowsWhereEachValueComesFromAndWritesTheUsersStore) {
    const auto system_folder = folder.path() / "xdg";
    const auto home = folder.path() / "home";
    const auto system_store = system_folder / "kaleidra" / "registry";
    const auto user_store = home / ".config" / "kaleidra" / "registry";
    const std::vector<std::string> user = {"HOME=" + home.string(),
                                           "XDG_CONFIG_DIRS=" + system_folder.string()};

    ASSERT_EQ(run(user, {"--system", "set", key, "Path", "/opt/kaleidra"}).exit_code, 0);
    ASSERT_EQ(run(user, {"--system", "set", "--number", key, "Prev_Frames", "30"}).exit_code, 0);
    ASSERT_EQ(run(user, {"set", key, "Prev_Frames", "12"}).exit_code, 0);

    EXPECT_EQ(run(user, {"get", key, "Prev_Frames"}).out, "12\n");
    EXPECT_EQ(run(user, {"--system", "get", key, "Prev_Frames"}).out, "30\n");
    EXPECT_EQ(platform::Registry(user_store).get(key, "Prev_Frames")->type,
              platform::RegistryType::number);
    EXPECT_FALSE(platform::Registry(user_store).get(key, "Path").has_value());

    const Outcome listed = run(user, {"list", key});
    EXPECT_EQ(listed.exit_code, 0);
    // The user's own values first.
    EXPECT_EQ(listed.out, "Prev_Frames\tnumber\t12\tuser " + user_store.string() +
                              "\nPath\tstring\t/opt/kaleidra\tsystem " + system_store.string() +
                              "\n");
    EXPECT_EQ(run(user, {"stores"}).out,
              "user\t" + user_store.string() + "\nsystem\t" + system_store.string() + "\n");
    EXPECT_EQ(run(user, {"where"}).out, user_store.string() + "\n");
    EXPECT_EQ(run(user, {"--system", "where"}).out, system_store.string() + "\n");

    const Outcome not_theirs = run(user, {"delete", key, "Path"});
    EXPECT_EQ(not_theirs.exit_code, 1);
    EXPECT_NE(not_theirs.err.find("comes from the system store " + system_store.string()),
              std::string::npos)
        << not_theirs.err;
    EXPECT_EQ(run(user, {"delete", key, "Prev_Frames"}).exit_code, 0);
    EXPECT_EQ(run(user, {"get", key, "Prev_Frames"}).out, "30\n");
}

TEST_F(KdrRegTest, UsageErrorsExitTwo) {
    EXPECT_EQ(reg({}).exit_code, 2);
    EXPECT_EQ(reg({"--system", "--file", "x", "keys"}).exit_code, 2);
    EXPECT_EQ(reg({"set", key, "A"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "--number", key, "A", "-1"}).exit_code, 2);
    EXPECT_EQ(reg({"set", "--number", key, "A", "4294967296"}).exit_code, 2);
    EXPECT_EQ(reg({"frobnicate"}).exit_code, 2);
    const Outcome help = reg({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--system"), std::string::npos);
}

}  // namespace
}  // namespace kdr
