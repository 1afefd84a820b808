#include "kaleidra/effectc/master_list.h"

#include <fstream>
#include <set>
#include <sstream>

#include "description_lexer.h"
#include "kaleidra/chunks/chunk_stream.h"

namespace kdr::effectc {
namespace {

using chunks::make_id;
constexpr chunks::ChunkId form_kdrg = make_id("KDRG");
constexpr chunks::ChunkId chunk_group = make_id("OGRP");
constexpr chunks::ChunkId chunk_item = make_id("OITM");

std::string chunk_text(const chunks::Chunk& chunk) {
    std::string text(reinterpret_cast<const char*>(chunk.data), chunk.length);
    return text.substr(0, text.find('\0'));
}

}  // namespace

GroupListResult read_group_list_text(std::string_view text, const std::string& file_name) {
    GroupListResult result;
    auto fail = [&](int line, const std::string& message) {
        result.error = file_name + ":" + std::to_string(line) + ": " + message;
        return result;
    };
    std::vector<TokenLine> lines;
    try {
        lines = split_lines(text);
    } catch (const LexError& error) {
        return fail(error.line, error.what());
    }
    Catalogue catalogue;
    std::set<std::string> seen;
    int group_line = 0;
    for (const TokenLine& line : lines) {
        const Token& first = line.tokens[0];
        if (!first.quoted && first.text == "group") {
            if (line.tokens.size() != 2) {
                return fail(line.number, "a group line is: group \"Name\"");
            }
            if (!catalogue.empty() && catalogue.back().effects.empty()) {
                return fail(group_line, "the group \"" + catalogue.back().name + "\" is empty");
            }
            const std::string& name = line.tokens[1].text;
            if (name.empty() || name.size() > max_group_name_length) {
                return fail(line.number, "a group name has 1 to 41 characters");
            }
            catalogue.push_back({name, {}});
            group_line = line.number;
            continue;
        }
        if (catalogue.empty()) {
            return fail(line.number, "\"" + first.text + "\" comes before the first group");
        }
        for (const Token& token : line.tokens) {
            if (token.text.empty() || token.text.size() > max_effect_name_length) {
                return fail(line.number, "an effect name has 1 to 40 characters");
            }
            if (!seen.insert(token.text).second) {
                return fail(line.number, "\"" + token.text + "\" is listed twice");
            }
            if (catalogue.back().effects.size() == max_group_effects) {
                return fail(line.number,
                            "the group \"" + catalogue.back().name + "\" already holds 16 effects");
            }
            catalogue.back().effects.push_back(token.text);
        }
    }
    if (catalogue.empty()) {
        return fail(1, "the list has no group");
    }
    if (catalogue.back().effects.empty()) {
        return fail(group_line, "the group \"" + catalogue.back().name + "\" is empty");
    }
    result.catalogue = std::move(catalogue);
    return result;
}

GroupListResult read_group_list(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {std::nullopt, file.string() + ": cannot be opened"};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return read_group_list_text(text.str(), file.string());
}

std::string write_catalogue(const Catalogue& catalogue, const std::filesystem::path& file) {
    auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::write_file, file, form_kdrg);
    auto put = [&](chunks::ChunkId id, const std::string& text) {
        stream.write_chunk(id, static_cast<std::uint32_t>(text.size() + 1), text.c_str());
    };
    for (const CatalogueGroup& group : catalogue) {
        put(chunk_group, group.name);
        for (const std::string& effect : group.effects) {
            put(chunk_item, effect);
        }
    }
    int status = stream.status();
    int closed = stream.close();
    if (status != chunks::ready || closed != chunks::ready) {
        return file.string() + ": cannot be written (" +
               chunks::chunk_status_text(status != chunks::ready ? status : closed) + ")";
    }
    return {};
}

std::optional<Catalogue> read_catalogue(const std::filesystem::path& file) {
    auto stream = chunks::ChunkStream::open_file(chunks::ChunkMode::read_file, file, form_kdrg);
    Catalogue catalogue;
    chunks::Chunk chunk;
    while (stream.read_chunk(chunk) == chunks::ready) {
        if (chunk.id == chunk_group) {
            catalogue.push_back({chunk_text(chunk), {}});
        } else if (chunk.id == chunk_item && !catalogue.empty()) {
            catalogue.back().effects.push_back(chunk_text(chunk));
        }
    }
    if (stream.status() != chunks::end_of_data) {
        return std::nullopt;
    }
    return catalogue;
}

}  // namespace kdr::effectc
