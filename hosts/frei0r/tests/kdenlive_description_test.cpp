// Kdenlive's description of the transition agrees with the plug-in: the
// same service, every parameter by a name the plug-in has, and effect
// choices that the build actually ships as two-video transitions.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "plugin_library.h"

namespace kdr::frei0r::test {
namespace {

std::string read_text(const char* file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> parts;
    std::istringstream in(list);
    std::string part;
    while (std::getline(in, part, ';')) {
        parts.push_back(part);
    }
    return parts;
}

TEST(KdenliveDescriptionTest, NamesTheServiceAndEveryParameterOfThePlugin) {
    const std::string xml = read_text(KALEIDRA_KDENLIVE_TRANSITION);
    ASSERT_FALSE(xml.empty());
    EXPECT_NE(xml.find("<transition tag=\"frei0r.kaleidra\" id=\"frei0r.kaleidra\">"),
              std::string::npos);

    PluginLibrary plugin(KDR_FREI0R_PLUGIN);
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    f0r_plugin_info_t info{};
    plugin.plugin_info(&info);
    std::set<std::string> plugin_names;
    for (int i = 0; i < info.num_params; ++i) {
        f0r_param_info_t parameter{};
        plugin.param_info(&parameter, i);
        plugin_names.insert(parameter.name);
    }

    // The <parameter> elements of the description (those inside <preview>
    // name the animated one again).
    std::set<std::string> described;
    const std::regex element("<parameter type=\"([a-z]+)\" name=\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), element);
         it != std::sregex_iterator(); ++it) {
        described.insert((*it)[2]);
        EXPECT_EQ(plugin_names.count((*it)[2]), 1u) << "unknown parameter " << (*it)[2];
    }
    EXPECT_EQ(described, plugin_names);
    EXPECT_NE(xml.find("<parameter type=\"animated\" name=\"completion\""), std::string::npos);
}

TEST(KdenliveDescriptionTest, OffersTheShippedTwoVideoTransitions) {
    const std::string xml = read_text(KALEIDRA_KDENLIVE_TRANSITION);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(xml, match,
                                  std::regex("name=\"effect\" default=\"([^\"]+)\" "
                                             "paramlist=\"([^\"]+)\"")));
    const std::vector<std::string> effects = split(match[2]);
    EXPECT_EQ(match[1], "Ballsplt");
    EXPECT_GE(effects.size(), 20u);
    const std::filesystem::path stage = KALEIDRA_CONTENT_STAGE;
    for (const std::string& effect : effects) {
        EXPECT_TRUE(std::filesystem::is_regular_file(stage / "EFFECTS" / (effect + ".KDR")))
            << effect << " is not shipped";
    }
    // Effects for three or four videos or for one are no two-input transitions.
    for (const char* other : {"Windows3", "VideoWall", "Carousel", "FloatFrame"}) {
        EXPECT_EQ(std::count(effects.begin(), effects.end(), other), 0) << other;
    }
}

}  // namespace
}  // namespace kdr::frei0r::test
