#pragma once
// Renders installed effects into canvases through an engine library, as a
// host would: one prepare per effect and size, then one render per frame
// position. Used by the icon step of the build, the contact sheet and the
// content tests.
//
// The engine finds effects and textures through the registry's "Path";
// InstallationScope points this process's registry at a folder for as long
// as it lives. One renderer per thread.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kaleidra/cli/temporary_folder.h"
#include "kaleidra/host/engine_binding.h"
#include "kaleidra/platform/result.h"
#include "kaleidra/raster/canvas.h"

namespace kdr::renderkit {

// While alive, the registry of this process ($KALEIDRA_REGISTRY) is a private
// store in a temporary folder whose "Path" names `install_folder`; the
// previous $KALEIDRA_REGISTRY comes back afterwards. Not thread-safe: create
// it before any thread starts rendering.
class InstallationScope {
  public:
    static Result<std::unique_ptr<InstallationScope>> open(
        const std::filesystem::path& install_folder);
    ~InstallationScope();
    InstallationScope(const InstallationScope&) = delete;
    InstallationScope& operator=(const InstallationScope&) = delete;

  private:
    explicit InstallationScope(cli::TemporaryFolder folder) : m_folder(std::move(folder)) {}
    cli::TemporaryFolder m_folder;
    std::optional<std::string> m_previous;
};

// The user's options that change how an effect looks; everything else of
// the settings record stays zero.
struct RenderOptions {
    std::uint32_t width = 320;
    std::uint32_t height = 240;
    bool fly_on = false;
    bool lighting = false;
    float shadows = 0;  // percent
    bool antialias = false;
    bool image_quality = true;  // linear texture filtering
    float light_direction = 0;  // degrees
    // Any other global value of the settings record (index, value), set
    // after the ones above: the filter mode and placement, for example.
    std::vector<std::pair<int, float>> globals;
};

class EffectRenderer {
  public:
    // Loads the engine library file (for example LIBS/Rnd_Generic.so).
    static Result<std::unique_ptr<EffectRenderer>> open(const std::filesystem::path& engine);
    ~EffectRenderer();

    // Renders `effect` at each position of `total` (position 0 is
    // completion 0 flying off, 1 flying on). `sources` fill image slots 0,
    // 1, ... (video 1, video 2, ...); each is used at its own size.
    // Fails when the engine cannot prepare the effect or a render returns 0.
    Result<std::vector<raster::Canvas>> render(const std::string& effect,
                                               const std::vector<raster::Canvas>& sources,
                                               const RenderOptions& options,
                                               const std::vector<std::uint32_t>& positions,
                                               std::uint32_t total);

  private:
    EffectRenderer() = default;
    host::EngineBinding m_engine;
};

// Reads a picture for use as a source: a KDRI file (.KDT), BMP, Targa or
// PNG. Fails with a message naming the file.
Result<raster::Canvas> read_picture(const std::filesystem::path& file);

// The preview texture PREVx_nn of an installation's "Textures" folder
// (prefix "PREVS_", "PREVM_" or "PREVL_", number 1..20).
Result<raster::Canvas> read_preview_texture(const std::filesystem::path& install_folder,
                                            const std::string& prefix, int number);

}  // namespace kdr::renderkit
