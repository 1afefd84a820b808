// kdr-reg: reads and changes values of the Kaleidra registry stores.

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"
#include "value_text.h"

namespace {

using kdr::platform::Registry;
using kdr::platform::RegistryEntry;
using kdr::platform::RegistryType;
using kdr::platform::RegistryValue;
using kdr::reg::make_value;
using kdr::reg::value_text;

constexpr int exit_ok = 0;
constexpr int exit_not_found = 1;
constexpr int exit_usage = 2;
constexpr int exit_store = 3;

const char* const usage_text =
    "Usage: kdr-reg [--system | --file STORE] COMMAND ...\n"
    "\n"
    "Reads and changes values of the Kaleidra registry. The installation writes\n"
    "the machine's values into the system store, which every user reads; each\n"
    "user's own store lies over it and holds the values that user changes.\n"
    "Reading shows both, each value from the store nearest the user; writing\n"
    "changes the user's store.\n"
    "\n"
    "Commands:\n"
    "  get KEY NAME                   print one value\n"
    "  set KEY NAME VALUE             set a value, keeping the type of an existing\n"
    "                                 value (a new value is a string)\n"
    "  set --number KEY NAME N        set a 32-bit number (decimal or 0x hex)\n"
    "  set --binary KEY NAME HEX      set a binary value from hex digits\n"
    "  set --string KEY NAME TEXT     set a string, whatever the value held\n"
    "  set --missing [--number|--binary|--string] KEY NAME VALUE\n"
    "                                 set the value only when the store lacks it\n"
    "  delete KEY NAME                remove a value\n"
    "  list KEY                       print every value of a key: name, type,\n"
    "                                 value and the store it comes from\n"
    "  keys                           print every key\n"
    "  where                          print the file name of the store written\n"
    "  stores                         print every store read, nearest first\n"
    "\n"
    "Options:\n"
    "  --system       read and write the system store alone (writing it needs\n"
    "                 root): kaleidra/registry under the first folder of\n"
    "                 $XDG_CONFIG_DIRS, by default /etc/xdg\n"
    "  --file STORE   read and write this one store alone\n"
    "  -h, --help     show this help\n"
    "\n"
    "Stores: $KALEIDRA_REGISTRY, when set, is the one store read and written.\n"
    "Otherwise the user's store is $XDG_CONFIG_HOME/kaleidra/registry\n"
    "(~/.config/kaleidra/registry).\n"
    "\n"
    "Example:\n"
    "  kdr-reg list 'Software\\Talvane\\Kaleidra\\3.0'\n"
    "\n"
    "Exit status: 0 success, 1 value not found, 2 usage error, 3 a store\n"
    "could not be read or written.\n";

struct Options {
    std::string file;
    bool system = false;
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "kdr-reg: %s\nTry 'kdr-reg --help'.\n", message.c_str());
    return exit_usage;
}

int store_error(const std::string& message) {
    std::fprintf(stderr, "kdr-reg: %s\n", message.c_str());
    return exit_store;
}

bool single_store(const Options& options) {
    const char* single = std::getenv("KALEIDRA_REGISTRY");
    return !options.file.empty() || (single != nullptr && *single != '\0');
}

// What a store of the registry is to the user.
std::string role_of(const Registry& registry, const Options& options,
                    const std::filesystem::path& store) {
    if (single_store(options)) {
        return "store";
    }
    if (options.system) {
        return "system";
    }
    return store == registry.file() ? "user" : "system";
}

std::string store_names(const Registry& registry) {
    std::string names;
    for (const std::filesystem::path& store : registry.stores()) {
        names += (names.empty() ? "" : ", ") + store.string();
    }
    return names;
}

int run_get(const Registry& registry, const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return usage_error("get needs KEY NAME");
    }
    kdr::Result<std::optional<RegistryValue>> value = registry.lookup(args[0], args[1]);
    if (!value) {
        return store_error(value.error());
    }
    if (!*value) {
        std::fprintf(stderr, "kdr-reg: no value \"%s\" under \"%s\" in %s\n", args[1].c_str(),
                     args[0].c_str(), store_names(registry).c_str());
        return exit_not_found;
    }
    std::printf("%s\n", value_text(**value).c_str());
    return exit_ok;
}

int run_set(const Registry& registry, const Options& options, std::vector<std::string> args) {
    bool only_missing = false;
    if (!args.empty() && args[0] == "--missing") {
        only_missing = true;
        args.erase(args.begin());
    }
    std::optional<RegistryType> type;
    if (!args.empty() &&
        (args[0] == "--number" || args[0] == "--binary" || args[0] == "--string")) {
        type = args[0] == "--number"   ? RegistryType::number
               : args[0] == "--binary" ? RegistryType::binary
                                       : RegistryType::string;
        args.erase(args.begin());
    }
    if (args.size() != 3) {
        return usage_error("set needs KEY NAME VALUE");
    }
    const std::string& key = args[0];
    const std::string& name = args[1];
    std::string hint;
    if (!type) {
        // A value keeps its type: "set KEY Rnd_Multi 1" sets the number 1.
        kdr::Result<std::optional<RegistryValue>> existing = registry.lookup(key, name);
        if (!existing) {
            return store_error(existing.error() +
                               " (give --number, --binary or --string to set the value anyway)");
        }
        type = *existing ? (*existing)->type : RegistryType::string;
        if (*existing && *type != RegistryType::string) {
            hint = "; \"" + name + "\" holds a " + kdr::platform::registry_type_name(*type) +
                   " (give --string to store text instead)";
        }
    }
    kdr::Result<RegistryValue> value = make_value(*type, name, args[2]);
    if (!value) {
        return usage_error(value.error() + hint);
    }
    kdr::Status status =
        only_missing ? registry.set_missing(key, {*value}) : registry.set(key, *value);
    if (!status) {
        const bool needs_root = options.system && !single_store(options) && ::geteuid() != 0;
        return store_error(status.error() +
                           (needs_root ? " (the system store is written as root)" : ""));
    }
    return exit_ok;
}

int run_delete(const Registry& registry, const Options& options,
               const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return usage_error("delete needs KEY NAME");
    }
    kdr::Result<bool> removed = registry.remove(args[0], args[1]);
    if (!removed) {
        return store_error(removed.error());
    }
    if (*removed) {
        return exit_ok;
    }
    // A value the written store lacks may come from a system store below it.
    kdr::Result<std::vector<RegistryEntry>> entries = registry.entries(args[0]);
    for (const RegistryEntry& entry : entries ? *entries : std::vector<RegistryEntry>{}) {
        if (::strcasecmp(entry.value.name.c_str(), args[1].c_str()) == 0) {
            std::fprintf(stderr,
                         "kdr-reg: \"%s\" under \"%s\" comes from the %s store %s; delete it "
                         "there with --system (as root)\n",
                         args[1].c_str(), args[0].c_str(),
                         role_of(registry, options, entry.store).c_str(), entry.store.c_str());
            return exit_not_found;
        }
    }
    std::fprintf(stderr, "kdr-reg: no value \"%s\" under \"%s\" in %s\n", args[1].c_str(),
                 args[0].c_str(), registry.file().c_str());
    return exit_not_found;
}

int run_list(const Registry& registry, const Options& options,
             const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return usage_error("list needs KEY");
    }
    kdr::Result<std::vector<RegistryEntry>> entries = registry.entries(args[0]);
    if (!entries) {
        return store_error(entries.error());
    }
    for (const RegistryEntry& entry : *entries) {
        std::printf("%s\t%s\t%s\t%s %s\n", entry.value.name.c_str(),
                    kdr::platform::registry_type_name(entry.value.type),
                    value_text(entry.value).c_str(),
                    role_of(registry, options, entry.store).c_str(), entry.store.c_str());
    }
    return exit_ok;
}

int run_keys(const Registry& registry) {
    kdr::Result<std::vector<std::string>> keys = registry.keys();
    if (!keys) {
        return store_error(keys.error());
    }
    for (const std::string& key : *keys) {
        std::printf("%s\n", key.c_str());
    }
    return exit_ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    while (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
        if (args[0] == "-h" || args[0] == "--help") {
            std::fputs(usage_text, stdout);
            return exit_ok;
        }
        if (args[0] == "--file") {
            if (args.size() < 2 || args[1].empty()) {
                return usage_error("--file needs a file name");
            }
            options.file = args[1];
            args.erase(args.begin(), args.begin() + 2);
            continue;
        }
        if (args[0] == "--system") {
            options.system = true;
            args.erase(args.begin());
            continue;
        }
        return usage_error("unknown option \"" + args[0] + "\"");
    }
    if (options.system && !options.file.empty()) {
        return usage_error("--system and --file name different stores; give one");
    }
    if (args.empty()) {
        return usage_error("no command given");
    }
    const Registry registry = !options.file.empty() ? Registry(options.file)
                              : options.system      ? Registry::open_system()
                                                    : Registry::open_default();
    const std::string command = args[0];
    args.erase(args.begin());

    if (command == "get") {
        return run_get(registry, args);
    }
    if (command == "set") {
        return run_set(registry, options, args);
    }
    if (command == "delete") {
        return run_delete(registry, options, args);
    }
    if (command == "list") {
        return run_list(registry, options, args);
    }
    if (command == "keys") {
        return args.empty() ? run_keys(registry) : usage_error("keys takes no arguments");
    }
    if (command == "where") {
        std::printf("%s\n", registry.file().c_str());
        return exit_ok;
    }
    if (command == "stores") {
        for (const std::filesystem::path& store : registry.stores()) {
            std::printf("%s\t%s\n", role_of(registry, options, store).c_str(), store.c_str());
        }
        return exit_ok;
    }
    return usage_error("unknown command \"" + command + "\"");
}
