// Pictures and palettes for the host tools.
#include "tools/quelm/image.h"

#include <gif_lib.h>
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "common/bmp.h"
#include "common/palette.h"
#include "tools/quelm/cli.h"

namespace quelm_tool {

Palette default_palette() {
    Palette palette{};
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &q = QuelmDefaultPalette[i];
        palette[i] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    return palette;
}

// ------------------------------------------------------------ palettes

namespace {

// Palettes are small: a text palette has 256 colour lines at most, and a
// BMP's colour table lies within its first few kilobytes.  Reading stops
// past this many bytes, so that a huge or endless file (/dev/zero) is
// refused instead of filling memory.
constexpr size_t MAX_PALETTE_BYTES = size_t{1} << 20;

// The file's first MAX_PALETTE_BYTES + 1 bytes, or all of a shorter one.
std::string read_palette_bytes(const std::string &path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        failed("cannot read palette '" + path + "': " + std::strerror(EISDIR));
    std::ifstream in(path, std::ios::binary);
    if (!in) failed("cannot read palette '" + path + "': " + std::strerror(errno));
    std::string bytes(MAX_PALETTE_BYTES + 1, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad()) failed("cannot read palette '" + path + "'");
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

uint32_t le16(std::string_view b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}

uint32_t le32(std::string_view b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

// BMP: file header (14 bytes), then an info header of 12 bytes (core: 3-byte
// colours) or 40 or more (4-byte colours), then the colour table.
void read_bmp_colours(const std::string &path, std::string_view b, Palette &palette) {
    const auto bad = [&](const std::string &why) { failed("palette '" + path + "': " + why); };
    if (b.size() < 18) bad("truncated BMP file");
    const uint32_t header = le32(b, 14);
    const bool core = header == 12;
    if (!core && header < 40) bad("unknown BMP header");
    if (b.size() < 14 + size_t(header)) bad("truncated BMP file");
    const uint32_t bits = core ? le16(b, 24) : le16(b, 28);
    if (bits != 1 && bits != 4 && bits != 8)
        bad("BMP of " + std::to_string(bits) + " bits per pixel has no colour table");
    const uint32_t used = core ? 0 : le32(b, 46);
    const uint32_t count = used ? used : 1u << bits;
    if (count > 256) bad("BMP colour table of " + std::to_string(count) + " entries");
    const size_t entry = core ? 3 : 4;
    const size_t table = 14 + size_t(header);
    if (b.size() < table + count * entry) bad("truncated BMP colour table");
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = table + i * entry;
        palette[i] = {uint8_t(b[at + 2]), uint8_t(b[at + 1]), uint8_t(b[at])};
    }
}

std::vector<std::string> text_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "R G B" with anything after it (a GIMP colour name); false if not three
// numbers 0 to 255.
bool parse_rgb(const std::string &line, Rgb &colour) {
    std::istringstream in(line);
    int r = -1, g = -1, b = -1;
    if (!(in >> r >> g >> b)) return false;
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return false;
    colour = {uint8_t(r), uint8_t(g), uint8_t(b)};
    return true;
}

void read_text_colours(const std::string &path, const std::vector<std::string> &lines,
                       size_t first, size_t count, Palette &palette) {
    size_t n = 0;
    for (size_t i = first; i < lines.size() && n < count; ++i) {
        const std::string &line = lines[i];
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        if (n == 256) failed("palette '" + path + "': more than 256 colours");
        if (!parse_rgb(line, palette[n]))
            failed("palette '" + path + "': line " + std::to_string(i + 1) +
                   " is not a colour (R G B, each 0 to 255)");
        ++n;
    }
    if (count != SIZE_MAX && n < count)
        failed("palette '" + path + "': " + std::to_string(count) + " colours announced, " +
               std::to_string(n) + " found");
}

}  // namespace

Palette read_palette_file(const std::string &path) {
    const std::string bytes = read_palette_bytes(path);
    Palette palette = default_palette();
    if (bytes.starts_with("BM")) {
        read_bmp_colours(path, bytes, palette);
    } else if (bytes.size() > MAX_PALETTE_BYTES) {
        failed("palette '" + path + "': larger than any palette file (" +
               std::to_string(MAX_PALETTE_BYTES) + " bytes)");
    } else if (bytes.starts_with("JASC-PAL")) {
        const std::vector<std::string> lines = text_lines(bytes);
        int count = 0;
        if (lines.size() < 3 || lines[1] != "0100" || !(std::istringstream(lines[2]) >> count) ||
            count < 1 || count > 256)
            failed("palette '" + path + "': bad JASC-PAL header");
        read_text_colours(path, lines, 3, size_t(count), palette);
    } else if (bytes.starts_with("GIMP Palette")) {
        std::vector<std::string> lines = text_lines(bytes);
        size_t first = 1;
        while (first < lines.size() &&
               (lines[first].starts_with("Name:") || lines[first].starts_with("Columns:")))
            ++first;
        read_text_colours(path, lines, first, SIZE_MAX, palette);
    } else {
        failed("palette '" + path + "': not a BMP, JASC-PAL or GIMP palette file");
    }
    return palette;
}

// ------------------------------------------------------------------ PNG

namespace {

// libpng reports errors by longjmp; the message waits here meanwhile.
char png_message[256];

void png_error_to_message(png_structp png, png_const_charp message) {
    std::snprintf(png_message, sizeof png_message, "%s", message);
    png_longjmp(png, 1);
}

void png_ignore_warning(png_structp, png_const_charp) {}

// libpng's own writer says only "Write Error"; this one says why.
void png_write_to_file(png_structp png, png_bytep data, size_t length) {
    auto *file = static_cast<FILE *>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, file) != length) png_error(png, std::strerror(errno));
}

void png_flush_file(png_structp png) {
    if (std::fflush(static_cast<FILE *>(png_get_io_ptr(png))) != 0)
        png_error(png, std::strerror(errno));
}

}  // namespace

void write_png(FILE *file, const std::string &name, const IndexedImage &image,
               const Palette &palette) {
    png_color colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                              png_error_to_message, png_ignore_warning);
    if (!png) failed("cannot write '" + name + "': out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        failed("cannot write '" + name + "': " + png_message);
    }
    png_set_write_fn(png, file, png_write_to_file, png_flush_file);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.pixels.data() + size_t(y) * size_t(image.width));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

bool read_png(const std::string &path, IndexedImage &image, Palette &palette, std::string &error) {
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                             png_error_to_message, png_ignore_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        error = png && info ? png_message : "out of memory";
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    const bool indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
                         png_get_bit_depth(png, info) == 8 &&
                         png_get_interlace_type(png, info) == PNG_INTERLACE_NONE;
    png_colorp colours = nullptr;
    int count = 0;
    if (indexed) png_get_PLTE(png, info, &colours, &count);
    if (!indexed || count < 1) {
        error = "not an 8-bit palettised PNG";
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    palette = {};
    for (int i = 0; i < count; ++i) palette[i] = {colours[i].red, colours[i].green, colours[i].blue};
    image.width = int(png_get_image_width(png, info));
    image.height = int(png_get_image_height(png, info));
    image.pixels.resize(size_t(image.width) * size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        png_read_row(png, image.pixels.data() + size_t(y) * size_t(image.width), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

// ------------------------------------------------------------------ BMP

// A plain Windows 8-bit BMP of the whole palette.
void write_bmp(FILE *file, const std::string &name, const IndexedImage &image,
               const Palette &palette) {
    std::vector<bmp::Colour> colours;
    for (const Rgb &c : palette) colours.push_back({c.r, c.g, c.b});
    const std::vector<uint8_t> bytes =
        bmp::Encode8(image.width, image.height, image.pixels.data(), colours);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!ok) failed("cannot write '" + name + "': " + std::strerror(errno));
}

// ------------------------------------------------------------------ GIF

struct GifWriter::State {
    GifFileType *gif = nullptr;
    FILE *file = nullptr;
    std::string name;
    int width = 0, height = 0;

    [[noreturn]] void fail(int code) const {
        failed("cannot write '" + name + "': " + GifErrorString(code));
    }
    void check(int result) const {
        if (result != GIF_OK) fail(gif->Error);
    }
};

namespace {

int gif_output(GifFileType *gif, const GifByteType *bytes, int count) {
    return int(std::fwrite(bytes, 1, size_t(count), static_cast<FILE *>(gif->UserData)));
}

}  // namespace

GifWriter::GifWriter(FILE *file, std::string name, int width, int height, const Palette &palette)
    : state_(std::make_unique<State>()) {
    State &s = *state_;
    s.file = file;
    s.name = std::move(name);
    s.width = width;
    s.height = height;
    int error = 0;
    s.gif = EGifOpen(file, gif_output, &error);
    if (!s.gif) s.fail(error);
    EGifSetGifVersion(s.gif, true);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) colours[i] = {palette[i].r, palette[i].g, palette[i].b};
    ColorMapObject *map = GifMakeMapObject(256, colours);
    if (!map) s.fail(E_GIF_ERR_NOT_ENOUGH_MEM);
    const int described = EGifPutScreenDesc(s.gif, width, height, 8, 0, map);
    GifFreeMapObject(map);
    s.check(described);
    // The application extension that makes viewers loop the animation.
    static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loop_forever[] = {1, 0, 0};
    s.check(EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE));
    s.check(EGifPutExtensionBlock(s.gif, sizeof app, app));
    s.check(EGifPutExtensionBlock(s.gif, sizeof loop_forever, loop_forever));
    s.check(EGifPutExtensionTrailer(s.gif));
}

GifWriter::~GifWriter() {
    if (state_->gif) EGifCloseFile(state_->gif, nullptr);
}

void GifWriter::add_frame(const IndexedImage &frame, int delay) {
    State &s = *state_;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delay;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    s.check(EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension));
    s.check(EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, nullptr));
    for (int y = 0; y < s.height; ++y)
        s.check(EGifPutLine(s.gif,
                            const_cast<GifPixelType *>(frame.pixels.data()) +
                                size_t(y) * size_t(s.width),
                            s.width));
}

void GifWriter::finish() {
    State &s = *state_;
    int error = 0;
    GifFileType *gif = s.gif;
    s.gif = nullptr;  // EGifCloseFile frees it, failing or not
    if (EGifCloseFile(gif, &error) != GIF_OK) s.fail(error);
}

}  // namespace quelm_tool
