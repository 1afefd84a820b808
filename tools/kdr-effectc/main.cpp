// kdr-effectc: compiles effect descriptions into effect files and writes
// the master list of the effect catalogue.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "kaleidra/effectc/description_reader.h"
#include "kaleidra/effectc/effect_writer.h"
#include "kaleidra/effectc/master_list.h"
#include "kaleidra/scene/scene.h"

namespace {

namespace fs = std::filesystem;
using namespace kdr::effectc;

const char* const usage_text =
    "Usage: kdr-effectc [--check] [-o FOLDER] DESCRIPTION...\n"
    "       kdr-effectc --master-list GROUPS [--effects FOLDER] -o FILE\n"
    "\n"
    "Compiles effect descriptions (.kfx) into effect files: each description\n"
    "\"effect NAME\" becomes FOLDER/NAME.KDR, and NAME must be the description's\n"
    "own file name without its extension. The second form writes the master\n"
    "list of the effect catalogue from its text form.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH     the folder for effect files, or the master list file\n"
    "  --check               read and check the descriptions, write nothing\n"
    "  --master-list GROUPS  write the master list from the text file GROUPS\n"
    "  --effects FOLDER      with --master-list: every listed effect must exist\n"
    "                        there as NAME.KDR\n"
    "  -q, --quiet           no progress lines\n"
    "  -h, --help            show this help\n"
    "\n"
    "Errors name the file and line. Exit status: 0 on success, 1 when a\n"
    "description or list is wrong or a file cannot be written, 2 on a usage\n"
    "error.\n";

int compile(const fs::path& description, const fs::path& folder, bool check_only, bool quiet) {
    ReadResult read = read_description(description);
    if (!read.effect) {
        std::fprintf(stderr, "%s\n", read.error.c_str());
        return 1;
    }
    const EffectSource& effect = *read.effect;
    if (effect.name != description.stem().string()) {
        std::fprintf(
            stderr, "%s: the effect is named \"%s\" but its file \"%s\"; they must match\n",
            effect.where.text().c_str(), effect.name.c_str(), description.stem().string().c_str());
        return 1;
    }
    if (check_only) {
        return 0;
    }
    kdr::Scene scene;
    build_scene(effect, scene);
    fs::path target = folder / (effect.name + ".KDR");
    std::string error = write_effect_file(scene, target);
    if (!error.empty()) {
        std::fprintf(stderr, "kdr-effectc: %s\n", error.c_str());
        return 1;
    }
    if (!quiet) {
        std::printf("kdr-effectc: %s (%zu objects, %zu paths, %zu envelopes)\n",
                    target.string().c_str(), scene.objects.size(), scene.paths.size(),
                    scene.envelopes.size());
    }
    return 0;
}

int master_list(const fs::path& groups, const fs::path& effects, const fs::path& output,
                bool quiet) {
    GroupListResult list = read_group_list(groups);
    if (!list.catalogue) {
        std::fprintf(stderr, "%s\n", list.error.c_str());
        return 1;
    }
    std::size_t count = 0;
    for (const CatalogueGroup& group : *list.catalogue) {
        for (const std::string& effect : group.effects) {
            ++count;
            if (!effects.empty() && !fs::exists(effects / (effect + ".KDR"))) {
                std::fprintf(stderr, "%s: the effect \"%s\" of group \"%s\" is not in %s\n",
                             groups.string().c_str(), effect.c_str(), group.name.c_str(),
                             effects.string().c_str());
                return 1;
            }
        }
    }
    std::string error = write_catalogue(*list.catalogue, output);
    if (!error.empty()) {
        std::fprintf(stderr, "kdr-effectc: %s\n", error.c_str());
        return 1;
    }
    if (!quiet) {
        std::printf("kdr-effectc: %s (%zu groups, %zu effects)\n", output.string().c_str(),
                    list.catalogue->size(), count);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path output, groups, effects;
    bool check_only = false, quiet = false;
    std::vector<fs::path> descriptions;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* option) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kdr-effectc: %s needs a value\n", option);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "-h" || arg == "--help") {
            std::fputs(usage_text, stdout);
            return 0;
        } else if (arg == "-o" || arg == "--output") {
            output = value("--output");
        } else if (arg == "--check") {
            check_only = true;
        } else if (arg == "--master-list") {
            groups = value("--master-list");
        } else if (arg == "--effects") {
            effects = value("--effects");
        } else if (arg == "-q" || arg == "--quiet") {
            quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "kdr-effectc: unknown option \"%s\"\nTry 'kdr-effectc --help'.\n",
                         arg.c_str());
            return 2;
        } else {
            descriptions.emplace_back(arg);
        }
    }
    if (!groups.empty()) {
        if (output.empty() || !descriptions.empty()) {
            std::fprintf(stderr, "kdr-effectc: --master-list takes -o FILE and no descriptions\n");
            return 2;
        }
        return master_list(groups, effects, output, quiet);
    }
    if (descriptions.empty() || (output.empty() && !check_only)) {
        std::fprintf(stderr, "kdr-effectc: %s\nTry 'kdr-effectc --help'.\n",
                     descriptions.empty() ? "no description given" : "no output folder (-o)");
        return 2;
    }
    if (!check_only) {
        std::error_code error;
        fs::create_directories(output, error);
    }
    int failures = 0;
    for (const fs::path& description : descriptions) {
        failures += compile(description, output, check_only, quiet) != 0;
    }
    return failures == 0 ? 0 : 1;
}
