// kdr-reg: reads and changes values of the Kaleidra registry store.

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "kaleidra/platform/registry.h"

namespace {

using kdr::platform::Registry;
using kdr::platform::RegistryType;
using kdr::platform::RegistryValue;

constexpr int exit_ok = 0;
constexpr int exit_not_found = 1;
constexpr int exit_usage = 2;
constexpr int exit_store = 3;

const char* const usage_text =
    "Usage: kdr-reg [--file STORE] COMMAND ...\n"
    "\n"
    "Reads and changes values of the Kaleidra registry store.\n"
    "\n"
    "Commands:\n"
    "  get KEY NAME                   print one value\n"
    "  set KEY NAME VALUE             set a string value\n"
    "  set --number KEY NAME N        set a 32-bit number (decimal or 0x hex)\n"
    "  set --binary KEY NAME HEX      set a binary value from hex digits\n"
    "  set --missing [--number|--binary] KEY NAME VALUE\n"
    "                                 set the value only when the key lacks it\n"
    "  delete KEY NAME                remove a value\n"
    "  list KEY                       print every value of a key with its type\n"
    "  keys                           print every key of the store\n"
    "  where                          print the file name of the store\n"
    "\n"
    "Options:\n"
    "  --file STORE   use this store instead of $KALEIDRA_REGISTRY or\n"
    "                 $XDG_CONFIG_HOME/kaleidra/registry\n"
    "  -h, --help     show this help\n"
    "\n"
    "Example:\n"
    "  kdr-reg list 'Software\\Talvane\\Kaleidra\\3.0'\n"
    "\n"
    "Exit status: 0 success, 1 value not found, 2 usage error, 3 the store\n"
    "could not be read or written.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "kdr-reg: %s\nTry 'kdr-reg --help'.\n", message.c_str());
    return exit_usage;
}

std::string hex_of(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool parse_hex(const std::string& text, std::vector<std::uint8_t>& bytes) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ':') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        digits += c;
    }
    if (digits.size() % 2 != 0) {
        return false;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return true;
}

bool parse_number(const std::string& text, std::uint32_t& number) {
    if (text.empty() || text[0] == '-') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value > 0xffffffffull) {
        return false;
    }
    number = static_cast<std::uint32_t>(value);
    return true;
}

std::string value_text(const RegistryValue& value) {
    switch (value.type) {
        case RegistryType::number:
            return std::to_string(value.number);
        case RegistryType::string:
            return value.text;
        case RegistryType::binary:
            return hex_of(value.bytes);
    }
    return {};
}

int run_set(const Registry& registry, std::vector<std::string> args) {
    bool only_missing = false;
    if (!args.empty() && args[0] == "--missing") {
        only_missing = true;
        args.erase(args.begin());
    }
    RegistryType type = RegistryType::string;
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
    RegistryValue value;
    if (type == RegistryType::number) {
        std::uint32_t number = 0;
        if (!parse_number(args[2], number)) {
            return usage_error("\"" + args[2] + "\" is not a 32-bit number");
        }
        value = RegistryValue::make_number(args[1], number);
    } else if (type == RegistryType::binary) {
        std::vector<std::uint8_t> bytes;
        if (!parse_hex(args[2], bytes)) {
            return usage_error("\"" + args[2] + "\" is not an even number of hex digits");
        }
        value = RegistryValue::make_binary(args[1], bytes);
    } else {
        value = RegistryValue::make_string(args[1], args[2]);
    }
    kdr::Status status =
        only_missing ? registry.set_missing(args[0], {value}) : registry.set(args[0], value);
    if (!status) {
        std::fprintf(stderr, "kdr-reg: %s\n", status.error().c_str());
        return exit_store;
    }
    return exit_ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string store;
    while (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
        if (args[0] == "-h" || args[0] == "--help") {
            std::fputs(usage_text, stdout);
            return exit_ok;
        }
        if (args[0] == "--file") {
            if (args.size() < 2) {
                return usage_error("--file needs a file name");
            }
            store = args[1];
            args.erase(args.begin(), args.begin() + 2);
            continue;
        }
        return usage_error("unknown option \"" + args[0] + "\"");
    }
    if (args.empty()) {
        return usage_error("no command given");
    }
    Registry registry = store.empty() ? Registry::open_default() : Registry(store);
    std::string command = args[0];
    args.erase(args.begin());

    if (command == "get") {
        if (args.size() != 2) {
            return usage_error("get needs KEY NAME");
        }
        std::optional<RegistryValue> value = registry.get(args[0], args[1]);
        if (!value) {
            std::fprintf(stderr, "kdr-reg: no value \"%s\" under \"%s\" in %s\n", args[1].c_str(),
                         args[0].c_str(), registry.file().c_str());
            return exit_not_found;
        }
        std::printf("%s\n", value_text(*value).c_str());
        return exit_ok;
    }
    if (command == "set") {
        return run_set(registry, args);
    }
    if (command == "delete") {
        if (args.size() != 2) {
            return usage_error("delete needs KEY NAME");
        }
        kdr::Result<bool> removed = registry.remove(args[0], args[1]);
        if (!removed) {
            std::fprintf(stderr, "kdr-reg: %s\n", removed.error().c_str());
            return exit_store;
        }
        if (!*removed) {
            std::fprintf(stderr, "kdr-reg: no value \"%s\" under \"%s\"\n", args[1].c_str(),
                         args[0].c_str());
            return exit_not_found;
        }
        return exit_ok;
    }
    if (command == "list") {
        if (args.size() != 1) {
            return usage_error("list needs KEY");
        }
        kdr::Result<std::vector<RegistryValue>> values = registry.list(args[0]);
        if (!values) {
            std::fprintf(stderr, "kdr-reg: %s\n", values.error().c_str());
            return exit_store;
        }
        for (const RegistryValue& value : *values) {
            std::printf("%s\t%s\t%s\n", value.name.c_str(),
                        kdr::platform::registry_type_name(value.type), value_text(value).c_str());
        }
        return exit_ok;
    }
    if (command == "where") {
        std::printf("%s\n", registry.file().c_str());
        return exit_ok;
    }
    if (command == "keys") {
        kdr::Result<std::vector<std::string>> keys = registry.keys();
        if (!keys) {
            std::fprintf(stderr, "kdr-reg: %s\n", keys.error().c_str());
            return exit_store;
        }
        for (const std::string& key : *keys) {
            std::printf("%s\n", key.c_str());
        }
        return exit_ok;
    }
    return usage_error("unknown command \"" + command + "\"");
}
