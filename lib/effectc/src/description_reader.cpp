#include "kaleidra/effectc/description_reader.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "description_checks.h"
#include "description_lexer.h"
#include "kaleidra/effectc/expression.h"

namespace kdr::effectc {
namespace {

// Thrown for anything wrong in one line; the reader adds file and line.
class LineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the tokens of one line from left to right.
class Cursor {
  public:
    Cursor(const TokenLine& line, const ExpressionScope& scope, std::size_t start)
        : m_line(line), m_scope(scope), m_pos(start) {}

    bool at_end() const { return m_pos >= m_line.tokens.size(); }
    const Token* peek() const { return at_end() ? nullptr : &m_line.tokens[m_pos]; }

    std::string word(const char* what) {
        if (at_end()) {
            throw LineError(std::string(what) + " is missing");
        }
        const Token& token = m_line.tokens[m_pos++];
        if (token.quoted) {
            throw LineError(std::string(what) + " expected, not the string \"" + token.text + "\"");
        }
        return token.text;
    }

    std::string text(const char* what) {
        if (at_end()) {
            throw LineError(std::string(what) + " is missing");
        }
        return m_line.tokens[m_pos++].text;
    }

    double number(const char* what) {
        if (at_end()) {
            throw LineError(std::string(what) + " is missing");
        }
        const Token& token = m_line.tokens[m_pos++];
        if (token.quoted) {
            throw LineError(std::string(what) + ": a number, not the string \"" + token.text +
                            "\"");
        }
        try {
            return evaluate_expression(token.text, m_scope);
        } catch (const ExpressionError& error) {
            throw LineError(std::string(what) + " " + error.what());
        }
    }

    Point point(const char* what) {
        double x = number(what);
        double y = number(what);
        double z = number(what);
        return {x, y, z};
    }

    std::uint16_t id(const char* what, bool allow_marker = false) {
        double value = number(what);
        if (value != std::floor(value) || value < 1 ||
            (value > largest_described_id && !(allow_marker && value == marker_id))) {
            throw LineError(std::string(what) + " must be a whole number from 1 to " +
                            std::to_string(largest_described_id) +
                            (allow_marker ? " (or 20000, the filter placement marker)" : ""));
        }
        return static_cast<std::uint16_t>(value);
    }

    std::uint32_t whole(const char* what, std::uint32_t low, std::uint32_t high) {
        double value = number(what);
        if (value != std::floor(value) || value < low || value > high) {
            throw LineError(std::string(what) + " must be a whole number from " +
                            std::to_string(low) + " to " + std::to_string(high));
        }
        return static_cast<std::uint32_t>(value);
    }

    void expect_end(const char* after) const {
        if (!at_end()) {
            throw LineError("unexpected \"" + m_line.tokens[m_pos].text + "\" after " + after);
        }
    }

  private:
    const TokenLine& m_line;
    const ExpressionScope& m_scope;
    std::size_t m_pos;
};

enum class ItemType { none, camera, surface, object };

// Limits that keep a runaway description from running for ever or filling
// memory: loops nest at most this deep, and a whole description executes at
// most this many lines (counting every pass of a loop).
constexpr int max_loop_iterations = 100000;
constexpr int max_loop_depth = 16;
constexpr long max_executed_lines = 2000000;
constexpr std::size_t max_object_vertices = 65535;
constexpr std::size_t max_morph_targets = 256;

class Reader {
  public:
    explicit Reader(std::string file_name) : m_file(std::move(file_name)) {}

    EffectSource read(std::string_view text) {
        std::vector<TokenLine> lines;
        try {
            lines = split_lines(text);
        } catch (const LexError& error) {
            throw DescriptionError(location(error.line), error.what());
        }
        m_effect.where = location(0);
        run(lines, 0, lines.size());
        check_description(m_effect);
        return std::move(m_effect);
    }

  private:
    SourceLocation location(int line) const { return {m_file, line}; }

    // Runs lines [begin, end), expanding loops.
    void run(const std::vector<TokenLine>& lines, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const TokenLine& line = lines[i];
            const std::string& keyword = line.tokens[0].text;
            m_line = line.number;
            if (++m_executed > max_executed_lines) {
                throw DescriptionError(location(line.number),
                                       "the description runs too long (its loops execute more "
                                       "than " +
                                           std::to_string(max_executed_lines) + " lines)");
            }
            if (!line.tokens[0].quoted && keyword == "repeat") {
                std::size_t close = matching_end(lines, i, end);
                run_loop(lines, i, close);
                i = close;
                continue;
            }
            if (!line.tokens[0].quoted && keyword == "end") {
                throw DescriptionError(location(line.number), "\"end\" without \"repeat\"");
            }
            try {
                statement(line);
            } catch (const LineError& error) {
                throw DescriptionError(location(line.number), error.what());
            } catch (const MeshError& error) {
                throw DescriptionError(location(line.number), error.what());
            }
        }
    }

    std::size_t matching_end(const std::vector<TokenLine>& lines, std::size_t open,
                             std::size_t end) const {
        int depth = 0;
        for (std::size_t i = open; i < end; ++i) {
            const Token& first = lines[i].tokens[0];
            if (first.quoted) {
                continue;
            }
            if (first.text == "repeat") {
                ++depth;
            } else if (first.text == "end" && --depth == 0) {
                if (lines[i].tokens.size() != 1) {
                    throw DescriptionError(location(lines[i].number),
                                           "\"end\" takes nothing after it");
                }
                return i;
            }
        }
        throw DescriptionError(location(lines[open].number), "\"repeat\" without \"end\"");
    }

    void run_loop(const std::vector<TokenLine>& lines, std::size_t open, std::size_t close) {
        const TokenLine& line = lines[open];
        double from = 0, to = 0, step = 1;
        std::string variable;
        try {
            Cursor cursor(line, m_scope, 1);
            variable = name(cursor);
            from = cursor.number("the first value");
            to = cursor.number("the last value");
            if (!cursor.at_end()) {
                step = cursor.number("the step");
            }
            cursor.expect_end("the loop's step");
            if (step == 0 || (to - from) / step > max_loop_iterations) {
                throw LineError("the loop would not end or runs more than " +
                                std::to_string(max_loop_iterations) + " times");
            }
        } catch (const LineError& error) {
            throw DescriptionError(location(line.number), error.what());
        }
        if (m_loop_depth == max_loop_depth) {
            throw DescriptionError(
                location(line.number),
                "loops nest more than " + std::to_string(max_loop_depth) + " deep");
        }
        ++m_loop_depth;
        for (double value = from; step > 0 ? value <= to + 1e-9 : value >= to - 1e-9;
             value += step) {
            m_scope.values[variable] = value;
            run(lines, open + 1, close);
        }
        --m_loop_depth;
    }

    std::string name(Cursor& cursor) {
        std::string text = cursor.word("a name");
        bool valid =
            !text.empty() && (std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_');
        for (char c : text) {
            valid = valid && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        }
        if (!valid) {
            throw LineError("\"" + text + "\" is not a name (letters, digits and _)");
        }
        return text;
    }

    void statement(const TokenLine& line) {
        const Token& first = line.tokens[0];
        if (first.quoted) {
            throw LineError("a line starts with a keyword, not the string \"" + first.text + "\"");
        }
        const std::string& keyword = first.text;
        Cursor cursor(line, m_scope, 1);
        if (keyword == "let") {
            std::string variable = name(cursor);
            const Token* equals = cursor.peek();
            if (equals != nullptr && !equals->quoted && equals->text == "=") {
                cursor.word("=");
            }
            // The rest of the line is the expression, spaces and all.
            std::string expression;
            while (!cursor.at_end()) {
                expression += cursor.word("the value") + " ";
            }
            if (expression.empty()) {
                throw LineError("the value is missing");
            }
            try {
                m_scope.values[variable] = evaluate_expression(expression, m_scope);
            } catch (const ExpressionError& error) {
                throw LineError(std::string("the value ") + error.what());
            }
        } else if (keyword == "effect") {
            if (!m_effect.name.empty()) {
                throw LineError("the effect is already named \"" + m_effect.name + "\"");
            }
            m_effect.name = cursor.text("the effect's name");
            m_effect.where = location(line.number);
            cursor.expect_end("the name");
        } else if (keyword == "description") {
            m_effect.description = cursor.text("the description");
            cursor.expect_end("the description");
        } else if (keyword == "type") {
            m_effect.type = cursor.whole("the type", 0, 255);
            cursor.expect_end("the type");
        } else if (keyword == "videos") {
            m_effect.video_names.clear();
            while (!cursor.at_end()) {
                m_effect.video_names.push_back(cursor.text("a video name"));
            }
        } else if (keyword == "best") {
            m_effect.best_frame = cursor.number("the best frame");
            cursor.expect_end("the best frame");
        } else if (keyword == "allow") {
            m_effect.allow = cursor.whole("the allow word", 0, 0xFFFF);
            cursor.expect_end("the allow word");
        } else if (keyword == "camera") {
            CameraSource camera;
            camera.id = cursor.id("the camera's id");
            camera.where = location(line.number);
            m_effect.cameras.push_back(camera);
            m_item = ItemType::camera;
            clauses(cursor);
        } else if (keyword == "surface") {
            SurfaceSource surface;
            surface.id = cursor.id("the surface's id");
            surface.where = location(line.number);
            m_effect.surfaces.push_back(surface);
            m_item = ItemType::surface;
            clauses(cursor);
        } else if (keyword == "object") {
            ObjectSource object;
            object.id = cursor.id("the object's id", true);
            object.where = location(line.number);
            m_effect.objects.push_back(std::move(object));
            m_item = ItemType::object;
            clauses(cursor);
        } else if (keyword == "settings_envelope") {
            EnvelopeSource envelope;
            envelope.parameter = static_cast<std::uint16_t>(cursor.whole("the parameter", 0, 2009));
            envelope.where = location(line.number);
            envelope_keys(cursor, envelope);
            m_effect.settings_envelopes.push_back(std::move(envelope));
        } else {
            if (m_item == ItemType::none) {
                throw LineError("unknown keyword \"" + keyword + "\"");
            }
            Cursor clause_cursor(line, m_scope, 0);
            clauses(clause_cursor);
        }
    }

    void clauses(Cursor& cursor) {
        while (!cursor.at_end()) {
            std::string keyword = cursor.word("a clause");
            switch (m_item) {
                case ItemType::camera:
                    camera_clause(keyword, cursor, m_effect.cameras.back());
                    break;
                case ItemType::surface:
                    surface_clause(keyword, cursor, m_effect.surfaces.back());
                    break;
                case ItemType::object:
                    object_clause(keyword, cursor, m_effect.objects.back());
                    break;
                case ItemType::none:
                    throw LineError("\"" + keyword + "\" outside an item");
            }
        }
    }

    void camera_clause(const std::string& keyword, Cursor& cursor, CameraSource& camera) {
        if (keyword == "fov") {
            camera.field_of_view = cursor.number("the field of view");
            if (!(camera.field_of_view > 0 && camera.field_of_view < 180)) {
                throw LineError("the field of view must lie between 0 and 180 degrees");
            }
            if (m_effect.cameras.size() == 1) {
                m_scope.field_of_view = camera.field_of_view;
            }
        } else if (keyword == "near") {
            camera.near_distance = cursor.number("the near distance");
        } else if (keyword == "far") {
            camera.far_distance = cursor.number("the far distance");
        } else if (keyword == "at") {
            camera.motion.position = cursor.point("the position");
        } else if (keyword == "turn") {
            camera.motion.rotation = cursor.point("the rotation");
        } else if (keyword == "life") {
            life(cursor, camera.start, camera.end);
        } else if (keyword == "key") {
            path_key(cursor, camera.motion, camera.keys);
        } else {
            throw LineError("a camera has no clause \"" + keyword +
                            "\" (fov, near, far, at, turn, life, key)");
        }
    }

    void surface_clause(const std::string& keyword, Cursor& cursor, SurfaceSource& surface) {
        if (keyword == "video") {
            surface.kind = SurfaceKind::video;
            surface.video = static_cast<std::uint16_t>(cursor.whole("the video number", 1, 20));
        } else if (keyword == "colour" || keyword == "color") {
            Point rgb = cursor.point("the colour");
            for (int c = 0; c < 3; ++c) {
                if (rgb[c] < 0 || rgb[c] > 1) {
                    throw LineError("colour channels lie between 0 and 1");
                }
                surface.colour[c] = rgb[c];
            }
        } else if (keyword == "alpha") {
            surface.colour[3] = cursor.number("the alpha");
            if (surface.colour[3] < 0 || surface.colour[3] > 1) {
                throw LineError("alpha lies between 0 and 1");
            }
        } else if (keyword == "texture") {
            surface.kind = SurfaceKind::texture;
            surface.texture = cursor.text("the texture's name");
        } else if (keyword == "two_sided") {
            surface.two_sided = true;
        } else if (keyword == "smooth") {
            surface.smooth = true;
        } else {
            throw LineError("a surface has no clause \"" + keyword +
                            "\" (video, colour, alpha, texture, two_sided, smooth)");
        }
    }

    void object_clause(const std::string& keyword, Cursor& cursor, ObjectSource& object) {
        if (keyword == "video") {
            object.video = cursor.whole("the video number", 1, 20);
        } else if (keyword == "surface") {
            object.surface = cursor.id("the surface id");
        } else if (keyword == "parent") {
            object.parent = cursor.id("the parent's id");
        } else if (keyword == "pivot") {
            object.pivot = cursor.point("the pivot");
        } else if (keyword == "at") {
            object.motion.position = cursor.point("the position");
        } else if (keyword == "turn") {
            object.motion.rotation = cursor.point("the rotation");
        } else if (keyword == "scale") {
            object.motion.scale = cursor.point("the scale");
        } else if (keyword == "transparency") {
            object.transparency = cursor.number("the transparency");
            if (object.transparency < 0 || object.transparency > 1) {
                throw LineError("transparency lies between 0 and 1");
            }
        } else if (keyword == "shadow") {
            object.casts_shadow = true;
        } else if (keyword == "morph") {
            object.morph_position = cursor.number("the morph position");
        } else if (keyword == "morph_of") {
            object.morph_of = cursor.id("the id of the object whose targets it shares");
        } else if (keyword == "life") {
            life(cursor, object.start, object.end);
        } else if (keyword == "mesh") {
            object.mesh.append(build_mesh(mesh_request(cursor), object.surface));
            if (object.mesh.vertices.size() > max_object_vertices) {
                throw LineError("the object has more than 65535 vertices");
            }
        } else if (keyword == "target") {
            if (object.morph_targets.size() >= max_morph_targets) {
                throw LineError("an object has at most " + std::to_string(max_morph_targets) +
                                " morph targets");
            }
            object.morph_targets.push_back(build_mesh(mesh_request(cursor), object.surface));
        } else if (keyword == "key") {
            path_key(cursor, object.motion, object.keys);
        } else if (keyword == "envelope") {
            EnvelopeSource envelope;
            envelope.where = location(m_line);
            std::string target = cursor.word("the envelope's target");
            if (target == "morph") {
                envelope.parameter = object_parameter_morph;
            } else if (target == "transparency") {
                envelope.parameter = object_parameter_transparency;
            } else {
                throw LineError(
                    "an object's envelope drives \"morph\" or \"transparency\", not \"" + target +
                    "\"");
            }
            envelope_keys(cursor, envelope);
            object.envelopes.push_back(std::move(envelope));
        } else {
            throw LineError("an object has no clause \"" + keyword +
                            "\" (video, surface, parent, pivot, at, turn, scale, transparency, "
                            "shadow, morph, morph_of, life, mesh, target, key, envelope)");
        }
    }

    void life(Cursor& cursor, double& start, double& end) {
        start = cursor.number("the start");
        end = cursor.number("the end");
        if (start < 0 || end > 1 || start > end) {
            throw LineError("life needs 0 <= start <= end <= 1");
        }
    }

    // "mesh KIND name value ... move x y z turn p h b scale x y z", to the
    // end of the line.
    MeshRequest mesh_request(Cursor& cursor) {
        MeshRequest request;
        request.kind = cursor.word("the mesh's kind");
        while (!cursor.at_end()) {
            std::string parameter = cursor.word("a mesh parameter");
            if (parameter == "move" || parameter == "turn" || parameter == "scale") {
                MeshTransform transform;
                transform.kind = parameter == "move"   ? MeshTransform::Kind::move
                                 : parameter == "turn" ? MeshTransform::Kind::turn
                                                       : MeshTransform::Kind::scale;
                transform.value = cursor.point(parameter.c_str());
                request.transforms.push_back(transform);
                continue;
            }
            if (request.values.count(parameter) != 0) {
                throw LineError("mesh parameter \"" + parameter + "\" given twice");
            }
            request.values[parameter] = cursor.number(parameter.c_str());
        }
        return request;
    }

    // "key T [pos x y z] [turn p h b] [scale x y z] [tcb t c b] [ease] [linear]",
    // to the end of the line. What a key leaves out it takes from the key
    // before it, and the first key from the item's own position.
    void path_key(Cursor& cursor, const Motion& base, std::vector<PathKeySource>& keys) {
        PathKeySource key;
        key.time = cursor.number("the key's time");
        if (key.time < 0 || key.time > 1) {
            throw LineError("key times lie between 0 and 1");
        }
        if (!keys.empty() && key.time <= keys.back().time) {
            throw LineError("key times must increase");
        }
        key.motion = keys.empty() ? base : keys.back().motion;
        while (!cursor.at_end()) {
            std::string part = cursor.word("a key part");
            if (part == "pos") {
                key.motion.position = cursor.point("the position");
            } else if (part == "turn") {
                key.motion.rotation = cursor.point("the rotation");
            } else if (part == "scale") {
                key.motion.scale = cursor.point("the scale");
            } else if (part == "tcb") {
                key.tension = cursor.number("the tension");
                key.continuity = cursor.number("the continuity");
                key.bias = cursor.number("the bias");
            } else if (part == "ease") {
                key.tension = 1;
            } else if (part == "linear") {
                key.linear = true;
            } else {
                throw LineError("a key has no part \"" + part +
                                "\" (pos, turn, scale, tcb, ease, linear)");
            }
        }
        keys.push_back(key);
    }

    // "[linear|ease] t v t v ...", to the end of the line.
    void envelope_keys(Cursor& cursor, EnvelopeSource& envelope) {
        bool linear = false, ease = false;
        for (;;) {
            const Token* next = cursor.peek();
            if (next != nullptr && !next->quoted &&
                (next->text == "linear" || next->text == "ease")) {
                (next->text == "linear" ? linear : ease) = true;
                cursor.word("a mode");
                continue;
            }
            break;
        }
        while (!cursor.at_end()) {
            EnvelopeKeySource key;
            key.time = cursor.number("the key's time");
            key.value = cursor.number("the key's value (keys come as time value pairs)");
            if (key.time < 0 || key.time > 1) {
                throw LineError("key times lie between 0 and 1");
            }
            if (!envelope.keys.empty() && key.time <= envelope.keys.back().time) {
                throw LineError("key times must increase");
            }
            key.linear = linear;
            key.tension = ease ? 1 : 0;
            envelope.keys.push_back(key);
        }
        if (envelope.keys.empty()) {
            throw LineError("an envelope needs at least one time value pair");
        }
    }

    std::string m_file;
    EffectSource m_effect;
    ExpressionScope m_scope;
    ItemType m_item = ItemType::none;
    int m_line = 0;
    int m_loop_depth = 0;
    long m_executed = 0;
};

}  // namespace

ReadResult read_description_text(std::string_view text, const std::string& file_name) {
    ReadResult result;
    try {
        result.effect = Reader(file_name).read(text);
    } catch (const DescriptionError& error) {
        result.error = error.where.text() + ": " + error.what();
    }
    return result;
}

ReadResult read_description(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {std::nullopt, file.string() + ": cannot be opened"};
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return {std::nullopt, file.string() + ": cannot be read"};
    }
    return read_description_text(text.str(), file.string());
}

}  // namespace kdr::effectc
