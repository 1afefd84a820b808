#include "colour_tags.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <array>

namespace kdr::video {
namespace {

struct Named {
    ColourMatrix matrix;
    const char* name;
};

constexpr std::array<Named, 6> matrix_names = {{{ColourMatrix::bt601, "bt601"},
                                                {ColourMatrix::bt709, "bt709"},
                                                {ColourMatrix::bt2020, "bt2020"},
                                                {ColourMatrix::smpte240m, "smpte240m"},
                                                {ColourMatrix::fcc, "fcc"},
                                                {ColourMatrix::rgb, "rgb"}}};

}  // namespace

std::string matrix_name(ColourMatrix matrix) {
    for (const Named& entry : matrix_names) {
        if (entry.matrix == matrix) {
            return entry.name;
        }
    }
    return "bt601";
}

std::string range_name(ColourRange range) {
    return range == ColourRange::full ? "full" : "limited";
}

std::optional<ColourMatrix> parse_matrix(std::string_view name) {
    for (const Named& entry : matrix_names) {
        if (name == entry.name) {
            return entry.matrix;
        }
    }
    if (name == "smpte170m" || name == "bt470bg") {
        return ColourMatrix::bt601;
    }
    if (name == "bt2020nc" || name == "bt2020c") {
        return ColourMatrix::bt2020;
    }
    return std::nullopt;
}

std::optional<ColourRange> parse_range(std::string_view name) {
    if (name == "limited" || name == "tv" || name == "mpeg") {
        return ColourRange::limited;
    }
    if (name == "full" || name == "pc" || name == "jpeg") {
        return ColourRange::full;
    }
    return std::nullopt;
}

namespace detail {
namespace {

std::optional<ColourMatrix> matrix_of(AVColorSpace space) {
    switch (space) {
        case AVCOL_SPC_BT709:
            return ColourMatrix::bt709;
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
            return ColourMatrix::bt601;
        case AVCOL_SPC_FCC:
            return ColourMatrix::fcc;
        case AVCOL_SPC_SMPTE240M:
            return ColourMatrix::smpte240m;
        case AVCOL_SPC_BT2020_NCL:
        case AVCOL_SPC_BT2020_CL:
            return ColourMatrix::bt2020;
        case AVCOL_SPC_RGB:
            return ColourMatrix::rgb;
        default:
            return std::nullopt;
    }
}

}  // namespace

AVPixelFormat plain_format(AVPixelFormat format, bool& full_range) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            full_range = true;
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            full_range = true;
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            full_range = true;
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            full_range = true;
            return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P:
            full_range = true;
            return AV_PIX_FMT_YUV411P;
        default:
            return format;
    }
}

bool is_rgb_format(AVPixelFormat format) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    return descriptor != nullptr && (descriptor->flags & AV_PIX_FMT_FLAG_RGB) != 0;
}

Colour colour_of_frame(const AVFrame& frame, const AVCodecParameters& stream) {
    bool full = false;
    const AVPixelFormat format = plain_format(static_cast<AVPixelFormat>(frame.format), full);
    if (is_rgb_format(format)) {
        return {ColourMatrix::rgb, ColourRange::full};
    }
    Colour colour;
    std::optional<ColourMatrix> matrix = matrix_of(frame.colorspace);
    if (!matrix || *matrix == ColourMatrix::rgb) {
        matrix = matrix_of(stream.color_space);
    }
    colour.matrix = matrix && *matrix != ColourMatrix::rgb ? *matrix : ColourMatrix::bt601;
    AVColorRange range = frame.color_range;
    if (range == AVCOL_RANGE_UNSPECIFIED) {
        range = stream.color_range;
    }
    colour.range = full || range == AVCOL_RANGE_JPEG ? ColourRange::full : ColourRange::limited;
    return colour;
}

ColourTags tags_for(Colour colour) {
    ColourTags tags;
    tags.range = colour.range == ColourRange::full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    switch (colour.matrix) {
        case ColourMatrix::bt709:
            tags.space = AVCOL_SPC_BT709;
            tags.primaries = AVCOL_PRI_BT709;
            tags.transfer = AVCOL_TRC_BT709;
            break;
        case ColourMatrix::bt601:
            tags.space = AVCOL_SPC_SMPTE170M;
            tags.primaries = AVCOL_PRI_SMPTE170M;
            tags.transfer = AVCOL_TRC_SMPTE170M;
            break;
        case ColourMatrix::bt2020:
            tags.space = AVCOL_SPC_BT2020_NCL;
            tags.primaries = AVCOL_PRI_BT2020;
            tags.transfer = AVCOL_TRC_BT709;
            break;
        case ColourMatrix::smpte240m:
            tags.space = AVCOL_SPC_SMPTE240M;
            tags.primaries = AVCOL_PRI_SMPTE240M;
            tags.transfer = AVCOL_TRC_SMPTE240M;
            break;
        case ColourMatrix::fcc:
            tags.space = AVCOL_SPC_FCC;
            tags.primaries = AVCOL_PRI_BT470M;
            tags.transfer = AVCOL_TRC_GAMMA22;
            break;
        case ColourMatrix::rgb:
            tags.space = AVCOL_SPC_RGB;
            tags.primaries = AVCOL_PRI_BT709;
            tags.transfer = AVCOL_TRC_IEC61966_2_1;
            tags.range = AVCOL_RANGE_JPEG;
            break;
    }
    return tags;
}

const int* coefficients_for(ColourMatrix matrix) {
    switch (matrix) {
        case ColourMatrix::bt709:
            return sws_getCoefficients(SWS_CS_ITU709);
        case ColourMatrix::bt2020:
            return sws_getCoefficients(SWS_CS_BT2020);
        case ColourMatrix::smpte240m:
            return sws_getCoefficients(SWS_CS_SMPTE240M);
        case ColourMatrix::fcc:
            return sws_getCoefficients(SWS_CS_FCC);
        case ColourMatrix::bt601:
        case ColourMatrix::rgb:
            break;
    }
    return sws_getCoefficients(SWS_CS_ITU601);
}

}  // namespace detail
}  // namespace kdr::video
