// The quelm command line, run as a user runs it: what each verb prints and
// writes, and how it refuses bad invocations.  Also the coplanar layering
// behind the OBJ export's lift.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/palette.h"
#include "tools/quelm/image.h"
#include "tools/quelm/layers.h"

namespace fs = std::filesystem;
using quelm_tool::IndexedImage;
using quelm_tool::Palette;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Each test runs the tool in a fresh folder of its own.
class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/quelm-tools-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        top = pattern;
        dir = top / "work";
        fs::create_directory(dir);
        out = top / "stdout";
        err = top / "stderr";
    }
    void TearDown() override { fs::remove_all(top); }

    // Starts the tool in the folder, its output going to files outside it.
    pid_t start(const std::vector<std::string> &args) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0 || !freopen(out.c_str(), "w", stdout) ||
                !freopen(err.c_str(), "w", stderr))
                _exit(127);
            std::vector<char *> argv{const_cast<char *>(QUELM_TOOL_PATH)};
            for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(QUELM_TOOL_PATH, argv.data());
            _exit(127);
        }
        return pid;
    }

    Outcome run(const std::vector<std::string> &args) {
        const pid_t pid = start(args);
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        Outcome r;
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    // Files the tool left in the folder, temporary ones included.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto &entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    IndexedImage png(const std::string &name, Palette *palette = nullptr) const {
        IndexedImage image;
        Palette colours{};
        std::string error;
        EXPECT_TRUE(quelm_tool::read_png((dir / name).string(), image, colours, error)) << error;
        if (palette) *palette = colours;
        return image;
    }

    fs::path top, dir, out, err;
};

Palette default_colours() { return quelm_tool::default_palette(); }

// ------------------------------------------------------------ model

TEST_F(Tool, StatsCountTheWholeModelAndItsMaterials) {
    const Outcome r = run({"model", "--stats"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::map<std::string, int> counts;
    std::map<int, int> materials;
    bool in_materials = false;
    for (const std::string &line : lines_of(r.out)) {
        std::istringstream in(line);
        std::string word;
        int number = 0;
        if (line.starts_with("material")) {
            in_materials = true;
        } else if (in_materials && in >> number) {
            in >> materials[number];
        } else if (in >> word >> number) {
            counts[word] = number;
        }
    }
    EXPECT_EQ(counts["polygons"], 1414);
    EXPECT_EQ(counts["vertices"], 3032);
    EXPECT_EQ(counts["edges"], 4047);
    EXPECT_EQ(counts["strokes"], 142);
    EXPECT_EQ(counts["triangles"], 30);
    EXPECT_EQ(counts["quadrilaterals"], 1242);
    const std::map<int, int> expected = {{54, 482}, {43, 382}, {32, 108}, {35, 100}, {37, 96},
                                         {44, 84},  {61, 48},  {38, 42},  {34, 22},  {36, 20},
                                         {51, 12},  {59, 12},  {63, 6}};
    EXPECT_EQ(materials, expected);
}

struct Obj {
    std::vector<std::array<double, 3>> vertices;
    std::vector<std::vector<size_t>> faces, lines;
    std::vector<std::string> face_materials;  // one per face
    std::vector<std::string> comments, materials;
    std::string mtllib;
};

Obj read_obj(const fs::path &path) {
    Obj obj;
    for (const std::string &line : lines_of(slurp(path))) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "#") {
            obj.comments.push_back(line);
        } else if (kind == "v") {
            std::array<double, 3> v{};
            in >> v[0] >> v[1] >> v[2];
            obj.vertices.push_back(v);
        } else if (kind == "f" || kind == "l") {
            std::vector<size_t> corners;
            for (size_t i; in >> i;) corners.push_back(i);
            (kind == "f" ? obj.faces : obj.lines).push_back(corners);
            if (kind == "f") obj.face_materials.push_back(obj.materials.back());
        } else if (kind == "usemtl") {
            obj.materials.emplace_back();
            in >> obj.materials.back();
        } else if (kind == "mtllib") {
            in >> obj.mtllib;
        }
    }
    return obj;
}

void expect_corners_in_range(const Obj &obj) {
    for (const auto *group : {&obj.faces, &obj.lines})
        for (const auto &corners : *group)
            for (size_t c : corners) {
                EXPECT_GE(c, 1u);
                EXPECT_LE(c, obj.vertices.size());
            }
}

TEST_F(Tool, ObjHoldsTheDefaultPlanWithItsMaterials) {
    const Outcome r = run({"model", "--obj", "stadium.obj"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(files(), (std::set<std::string>{"stadium.obj", "stadium.mtl"}));
    const Obj obj = read_obj(dir / "stadium.obj");
    // Plan 0xE9000: stands and sky 18, ground group 170, fine surface with its
    // near marks and digits 798, pylons 48; no stroke.
    EXPECT_EQ(obj.faces.size(), 1034u);
    EXPECT_EQ(obj.lines.size(), 0u);
    for (const auto &f : obj.faces) EXPECT_GE(f.size(), 3u);
    expect_corners_in_range(obj);
    EXPECT_EQ(obj.mtllib, "stadium.mtl");
    std::string header;
    for (const std::string &c : obj.comments) header += c + "\n";
    EXPECT_NE(header.find("inches"), std::string::npos) << header;
    EXPECT_NE(header.find("z up"), std::string::npos) << header;

    // One material per palette index used, its colour the palette's.
    std::map<std::string, std::array<double, 3>> kd;
    std::string current;
    for (const std::string &line : lines_of(slurp(dir / "stadium.mtl"))) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "newmtl") in >> current;
        if (kind == "Kd") in >> kd[current][0] >> kd[current][1] >> kd[current][2];
    }
    const std::set<std::string> used(obj.materials.begin(), obj.materials.end());
    EXPECT_EQ(used.size(), kd.size());
    EXPECT_EQ(used.size(), 12u);  // all but 44, the medium and far marks
    EXPECT_EQ(used.count("colour044"), 0u);
    ASSERT_EQ(kd.count("colour051"), 1u);
    const RGBQUAD sky = QuelmDefaultPalette[51];
    EXPECT_NEAR(kd["colour051"][0], sky.rgbRed / 255.0, 1e-6);
    EXPECT_NEAR(kd["colour051"][1], sky.rgbGreen / 255.0, 1e-6);
    EXPECT_NEAR(kd["colour051"][2], sky.rgbBlue / 255.0, 1e-6);
}

// Newell's normal of a face, right-handed: it points to the side from
// which the corners run counter-clockwise, the side an OBJ face shows.
std::array<double, 3> shown_normal(const Obj &obj, const std::vector<size_t> &face) {
    std::array<double, 3> n{};
    for (size_t i = 0; i < face.size(); ++i) {
        const auto &a = obj.vertices[face[i] - 1], &b = obj.vertices[face[(i + 1) % face.size()] - 1];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

TEST_F(Tool, ObjFacesShowTheirSideToTheField) {
    ASSERT_EQ(run({"model", "--obj", "stadium.obj"}).status, 0);
    const Obj obj = read_obj(dir / "stadium.obj");
    int turf = 0, stands = 0;
    for (size_t f = 0; f < obj.faces.size(); ++f) {
        const auto n = shown_normal(obj, obj.faces[f]);
        if (obj.face_materials[f] == "colour032" || obj.face_materials[f] == "colour035") {
            ++turf;
            EXPECT_GT(n[2], 0) << "turf face " << f << " faces down";
        }
        if (obj.face_materials[f] == "colour063") {
            ++stands;
            // Up, and towards the middle of the stadium.
            const auto &corner = obj.vertices[obj.faces[f][0] - 1];
            EXPECT_GT(n[2], 0);
            EXPECT_LT(n[0] * corner[0] + n[1] * corner[1], 0) << "stand face " << f;
        }
    }
    EXPECT_EQ(turf, 200);
    EXPECT_EQ(stands, 6);
}

TEST_F(Tool, ObjPlanPicksPolygonsAndWritesStrokesAsLines) {
    Outcome r = run({"model", "--obj", "far.obj", "--plan", "0x4000"});
    ASSERT_EQ(r.status, 0) << r.err;
    Obj obj = read_obj(dir / "far.obj");
    EXPECT_EQ(obj.lines.size(), 142u);  // far digit outlines
    EXPECT_EQ(obj.faces.size(), 4u);    // far hash-mark strips
    for (const auto &l : obj.lines) EXPECT_EQ(l.size(), 2u);
    expect_corners_in_range(obj);

    r = run({"model", "--obj", "all.obj", "--plan", "FF000"});
    ASSERT_EQ(r.status, 0) << r.err;
    obj = read_obj(dir / "all.obj");
    EXPECT_EQ(obj.faces.size() + obj.lines.size(), 1414u);
}

TEST_F(Tool, ObjLiftsPaintedOverLayersByAHairUnlessTold) {
    ASSERT_EQ(run({"model", "--obj", "lifted.obj"}).status, 0);
    ASSERT_EQ(run({"model", "--obj", "flat.obj", "--no-lift"}).status, 0);
    const Obj lifted = read_obj(dir / "lifted.obj"), flat = read_obj(dir / "flat.obj");
    ASSERT_EQ(lifted.faces.size(), flat.faces.size());
    // Without lift every corner is a model vertex; with it, markings rise a
    // little above the turf and nothing moves far.
    for (const auto &v : flat.vertices)
        for (double c : v) EXPECT_EQ(c, std::trunc(c));
    double highest_lift = 0;
    for (size_t f = 0; f < flat.faces.size(); ++f)
        for (size_t k = 0; k < flat.faces[f].size(); ++k) {
            const auto &a = flat.vertices[flat.faces[f][k] - 1];
            const auto &b = lifted.vertices[lifted.faces[f][k] - 1];
            highest_lift = std::max(highest_lift, std::fabs(b[2] - a[2]));
            EXPECT_NEAR(a[0], b[0], 2.0);
            EXPECT_NEAR(a[1], b[1], 2.0);
        }
    EXPECT_GT(highest_lift, 0.0);
    EXPECT_LT(highest_lift, 2.0);
    // Yard numbers lie above the tiles they are painted on, the turf itself
    // (the first tile row) on the ground.
    int digits = 0;
    for (size_t f = 0; f < lifted.faces.size(); ++f) {
        if (lifted.face_materials[f] != "colour054") continue;
        ++digits;
        for (size_t c : lifted.faces[f]) EXPECT_GT(lifted.vertices[c - 1][2], 0.0);
        for (size_t c : flat.faces[f]) EXPECT_EQ(flat.vertices[c - 1][2], 0.0);
    }
    EXPECT_EQ(digits, 198);  // the near version of every digit and arrow
}

TEST_F(Tool, ObjLoadsInAssimpWhereItIsInstalled) {
    if (std::system("command -v assimp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "assimp (assimp-utils) is not installed";
    ASSERT_EQ(run({"model", "--obj", "stadium.obj", "--plan", "0xFF000"}).status, 0);
    const std::string command = "assimp info '" + (dir / "stadium.obj").string() + "' > '" +
                                (dir / "assimp.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << slurp(dir / "assimp.txt");
    const std::string report = slurp(dir / "assimp.txt");
    // One mesh per colour; 142 strokes, 30 triangles and 1242 quadrilaterals
    // cut in two.
    EXPECT_NE(report.find("Meshes:             13"), std::string::npos) << report;
    EXPECT_NE(report.find("Faces:              2656"), std::string::npos) << report;
    // x along the field, y across it.
    EXPECT_NE(report.find("Maximum point      (4500.000000 3300.000000 7200.000000)"),
              std::string::npos)
        << report;
}

// ----------------------------------------------------------- render

int count_index(const IndexedImage &image, int index) {
    return int(std::count(image.pixels.begin(), image.pixels.end(), uint8_t(index)));
}

TEST_F(Tool, RenderWithoutOptionsWritesTheStadiumPng) {
    const Outcome r = run({"render"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(files(), std::set<std::string>{"stadium.png"});
    Palette palette{};
    const IndexedImage image = png("stadium.png", &palette);
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 800);
    EXPECT_EQ(palette, default_colours());
    // Sky, stands, turf in both checkerboard colours, lines and numbers all
    // show, and the sky and stands leave none of the background.
    for (int material : {QUELM_MAT_SKY, QUELM_MAT_STANDS, QUELM_MAT_TURF, QUELM_MAT_TURF_ALT,
                         QUELM_MAT_LINE, QUELM_MAT_NUMBER, QUELM_MAT_GROUND})
        EXPECT_GT(count_index(image, material), 100) << "material " << material;
    // The model meets itself in T-junctions (the ground pieces along the
    // stands' foot, the end-zone tiles along the end line); with screen
    // points in whole pixels these open slivers under a pixel wide, which
    // the rasteriser's half-pixel margin covers: no background shows.
    EXPECT_EQ(count_index(image, 0), 0);
}

TEST_F(Tool, RenderWritesBmpOfTheGivenSize) {
    // Looking up from the middle of the field at the apex of the sky: the
    // roof fills the picture.
    const Outcome r = run({"render", "-o", "up.bmp", "--size", "33x20", "--camera", "0,0,100",
                       "--target", "0,1,9000", "--magnification", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bmp = slurp(dir / "up.bmp");
    ASSERT_GE(bmp.size(), 54u + 1024u);
    const auto le32 = [&](size_t at) {
        return uint32_t(uint8_t(bmp[at])) | uint32_t(uint8_t(bmp[at + 1])) << 8 |
               uint32_t(uint8_t(bmp[at + 2])) << 16 | uint32_t(uint8_t(bmp[at + 3])) << 24;
    };
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(18), 33u);                    // width
    EXPECT_EQ(le32(22), 20u);                    // height, bottom-up
    EXPECT_EQ(uint8_t(bmp[28]), 8);              // bits per pixel
    EXPECT_EQ(le32(2), bmp.size());              // file size
    EXPECT_EQ(bmp.size(), 54u + 1024u + 36u * 20u);  // rows padded to 36 bytes
    const size_t pixels = le32(10);
    for (size_t at = pixels; at < bmp.size(); at += 36)
        EXPECT_EQ(std::string(bmp, at, 33), std::string(33, char(QUELM_MAT_SKY)));

    // The same picture with its format named instead of implied.
    ASSERT_EQ(run({"render", "-o", "up.img", "--format", "bmp", "--size", "33x20", "--camera",
                   "0,0,100", "--target", "0,1,9000", "--magnification", "1"})
                  .status,
              0);
    EXPECT_EQ(slurp(dir / "up.img"), bmp);
}

TEST_F(Tool, RenderBackgroundShowsWhereNothingIsDrawn) {
    // Far outside the sky, looking away from the stadium.
    const Outcome r = run({"render", "-o", "away.png", "--size", "40x30", "--camera", "0,-90000,100",
                       "--target", "0,-99000,100", "--magnification", "1", "--background",
                       "200"});
    ASSERT_EQ(r.status, 0) << r.err;
    const IndexedImage image = png("away.png");
    EXPECT_EQ(count_index(image, 200), 40 * 30);
}

TEST_F(Tool, RenderSettingsChangeWhatIsDrawn) {
    const std::vector<std::string> view = {"--size", "160x100"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.begin(), view.begin(), view.end());
        args.insert(args.begin(), "render");
        return args;
    };
    ASSERT_EQ(run(with({"-o", "plain.png"})).status, 0);
    ASSERT_EQ(run(with({"-o", "coarse.png", "--coarse"})).status, 0);
    ASSERT_EQ(run(with({"-o", "nostands.png", "--reset", "40000"})).status, 0);
    ASSERT_EQ(run(with({"-o", "back.png", "--reset", "40000", "--set", "0x40000"})).status, 0);
    const IndexedImage plain = png("plain.png"), coarse = png("coarse.png"),
                       nostands = png("nostands.png"), back = png("back.png");
    // The coarse surface has no checkerboard.
    EXPECT_GT(count_index(plain, QUELM_MAT_TURF_ALT), 0);
    EXPECT_EQ(count_index(coarse, QUELM_MAT_TURF_ALT), 0);
    EXPECT_GT(count_index(coarse, QUELM_MAT_TURF), 0);
    EXPECT_EQ(count_index(nostands, QUELM_MAT_STANDS) + count_index(nostands, QUELM_MAT_SKY), 0);
    // Changes apply in command-line order.
    EXPECT_EQ(back.pixels, plain.pixels);
}

TEST_F(Tool, RenderFitKeepsTheWholeStadiumInThePicture) {
    const Outcome r = run({"render", "-o", "fit.png", "--size", "160x100", "--camera",
                       "9000,-12000,8000", "--fit", "--background", "200"});
    ASSERT_EQ(r.status, 0) << r.err;
    const IndexedImage image = png("fit.png");
    // From outside, the whole stadium, sky and all, is an island in the
    // background: the picture's border is background all round.
    for (int x = 0; x < image.width; ++x) {
        EXPECT_EQ(image.pixels[size_t(x)], 200) << x;
        EXPECT_EQ(image.pixels[size_t((image.height - 1) * image.width + x)], 200) << x;
    }
    EXPECT_GT(count_index(image, QUELM_MAT_STANDS), 0);
}

TEST_F(Tool, RenderColoursFromPaletteFiles) {
    std::ofstream(dir / "three.gpl") << "GIMP Palette\nName: test\nColumns: 3\n# comment\n"
                                        "255 0 0\tred\n0 255 0 green\n  0 0 255\n";
    std::ofstream(dir / "two.pal") << "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n";
    // A 1-bit BMP: file header, 40-byte info header, two colours (B, G, R, 0).
    std::string bmp = std::string("BM") + std::string(8, '\0') + std::string("\x3e\0\0\0", 4);
    std::string info(40, '\0');
    info[0] = 40;
    info[4] = 1;   // width
    info[8] = 1;   // height
    info[12] = 1;  // planes
    info[14] = 1;  // bits per pixel
    info[32] = 2;  // colours used
    bmp += info + std::string("\x10\x20\x30\0\x40\x50\x60\0", 8) + std::string(4, '\0');
    std::ofstream(dir / "two.bmp", std::ios::binary) << bmp;

    const Palette base = default_colours();
    const std::pair<const char *, std::vector<quelm_tool::Rgb>> cases[] = {
        {"three.gpl", {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
        {"two.pal", {{1, 2, 3}, {4, 5, 6}}},
        {"two.bmp", {{0x30, 0x20, 0x10}, {0x60, 0x50, 0x40}}},
    };
    for (const auto &[file, colours] : cases) {
        const Outcome r = run({"render", "-o", "p.png", "--size", "8x5", "--palette", file});
        ASSERT_EQ(r.status, 0) << file << ": " << r.err;
        Palette palette{};
        png("p.png", &palette);
        Palette expected = base;
        std::copy(colours.begin(), colours.end(), expected.begin());
        EXPECT_EQ(palette, expected) << file;
    }
}

// ------------------------------------------------------------- spin

TEST_F(Tool, SpinWritesAnAnimatedGifFramePerStep) {
    const Outcome r = run({"spin", "-o", "s.gif", "--frames", "6", "--size", "64x40", "--delay", "7",
                       "--camera-step", "600"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar off a terminal
    int error = 0;
    GifFileType *gif = DGifOpenFileName((dir / "s.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 6);
    EXPECT_EQ(gif->SWidth, 64);
    EXPECT_EQ(gif->SHeight, 40);
    bool loops = false;
    for (int i = 0; i < gif->SavedImages[0].ExtensionBlockCount; ++i) {
        const ExtensionBlock &b = gif->SavedImages[0].ExtensionBlocks[i];
        loops |= b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                 std::string(reinterpret_cast<char *>(b.Bytes), 11) == "NETSCAPE2.0";
    }
    EXPECT_TRUE(loops);
    std::set<std::vector<uint8_t>> distinct;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 7);
        const SavedImage &frame = gif->SavedImages[i];
        distinct.insert(std::vector<uint8_t>(frame.RasterBits, frame.RasterBits + 64 * 40));
    }
    // 60 degrees a step: six different views, the last one back at the start.
    EXPECT_EQ(distinct.size(), 6u);
    DGifCloseFile(gif, &error);
}

TEST_F(Tool, SpinFullTurnEndsWhereItBegan) {
    // 120 steps of 3 degrees: frame 120 is the start position again, which
    // a render from the first step's camera shows.
    const Outcome r = run({"spin", "-o", "turn.gif", "--frames", "120", "--size", "48x30"});
    ASSERT_EQ(r.status, 0) << r.err;
    int error = 0;
    GifFileType *gif = DGifOpenFileName((dir / "turn.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 120);
    const std::vector<uint8_t> last(gif->SavedImages[119].RasterBits,
                                    gif->SavedImages[119].RasterBits + 48 * 30);
    const std::vector<uint8_t> first(gif->SavedImages[0].RasterBits,
                                     gif->SavedImages[0].RasterBits + 48 * 30);
    DGifCloseFile(gif, &error);
    EXPECT_NE(first, last);
    ASSERT_EQ(run({"render", "-o", "start.png", "--size", "48x30", "--camera", "2800,0,1800",
                   "--magnification", "0.005"})
                  .status,
              0);
    EXPECT_EQ(png("start.png").pixels, last);
}

// ----------------------------------------------------------- camera

std::map<std::string, std::string> camera_members(const std::string &out) {
    std::map<std::string, std::string> members;
    for (const std::string &line : lines_of(out)) {
        const size_t space = line.find(' ');
        members[line.substr(0, space)] = line.substr(space + 1);
    }
    return members;
}

TEST_F(Tool, CameraReportsSpinSteps) {
    Outcome r = run({"camera", "--camera-step", "150", "--steps", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto m = camera_members(r.out);
    EXPECT_EQ(m["mode"], "spin");
    EXPECT_EQ(m["camera"], "2608 699 360");
    EXPECT_EQ(m["target"], "540 0 72");
    EXPECT_EQ(m["magnification"], "1");

    m = camera_members(run({"camera", "--camera-step", "150", "--steps", "2"}).out);
    EXPECT_EQ(m["camera"], "2338 1350 360");
    m = camera_members(run({"camera", "--camera-step", "150", "--steps", "24"}).out);
    EXPECT_EQ(m["camera"], "2700 0 360");
    m = camera_members(run({"camera", "--camera-step=-150", "--steps", "1"}).out);
    EXPECT_EQ(m["camera"], "2608 -698 360");
    m = camera_members(run({"camera", "--target-step", "300", "--steps", "1"}).out);
    EXPECT_EQ(m["target"], "468 270 72");
    m = camera_members(run({"camera", "--camera-radius", "1000", "--camera-height", "50",
                            "--magnification", "2.5", "--steps", "1"})
                           .out);
    EXPECT_EQ(m["camera"], "1000 0 50");
    EXPECT_EQ(m["magnification"], "2.5");
}

TEST_F(Tool, CameraNamesEachMode) {
    EXPECT_EQ(camera_members(run({"camera"}).out)["camera"], "2700 0 360");
    EXPECT_EQ(camera_members(run({"camera", "--mode", "dolly"}).out)["mode"], "dolly");
    EXPECT_EQ(camera_members(run({"camera", "--mode", "idle"}).out)["mode"], "idle");
    // InitCamera takes 0 as spin and any other unknown number as idle.
    EXPECT_EQ(camera_members(run({"camera", "--mode", "0"}).out)["mode"], "spin");
    EXPECT_EQ(camera_members(run({"camera", "--mode", "7"}).out)["mode"], "idle");
    // A dolly camera does not move, however often it is updated.
    EXPECT_EQ(camera_members(run({"camera", "--mode", "dolly", "--steps", "5"}).out)["camera"],
              "0 0 0");
}

// ------------------------------------------------------ help, version

TEST_F(Tool, HelpAndVersion) {
    Outcome r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("quelm ")) << r.out;
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *verb : {"model", "render", "spin", "camera"})
        EXPECT_NE(r.out.find(verb), std::string::npos) << verb;
    for (const char *verb : {"model", "render", "spin", "camera"}) {
        r = run({verb, "--help"});
        EXPECT_EQ(r.status, 0) << verb;
        EXPECT_TRUE(r.out.starts_with(std::string("usage: quelm ") + verb)) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_NE(run({"render", "--help"}).out.find("--magnification"), std::string::npos);
    EXPECT_TRUE(files().empty());
}

// ------------------------------------------------- bad invocations

struct Bad {
    std::vector<std::string> args;
    const char *says;  // part of the message
};

TEST_F(Tool, BadInvocationsFailWithOneLineAndNoFile) {
    const Bad cases[] = {
        {{}, "usage"},
        {{"paint"}, "unknown verb 'paint'"},
        {{"render", "--bogus"}, "unknown option --bogus"},
        {{"render", "stray"}, "unexpected argument 'stray'"},
        {{"render", "--size"}, "--size needs a value"},
        {{"render", "--size", "0x10"}, "each side must be 1 to 16384"},
        {{"render", "--size", "16385x10"}, "each side must be 1 to 16384"},
        {{"render", "--size", "20x"}, "is not WIDTHxHEIGHT"},
        {{"render", "--magnification", "0"}, "out of range"},
        {{"render", "--magnification", "x2"}, "'x2' is not a number"},
        {{"render", "--magnification", "2000"}, "less than one inch"},
        {{"render", "--camera", "1,2"}, "is not X,Y,Z"},
        {{"render", "--camera", "1,2,nan"}, "is not X,Y,Z"},
        {{"render", "--camera", "5,5,5", "--target", "5,5,5"}, "same point"},
        {{"render", "--fit"}, "lies behind the camera"},
        {{"render", "--background", "256"}, "out of range"},
        {{"render", "--format", "gif"}, "'gif' is not png or bmp"},
        {{"render", "-o", "out.gif"}, "cannot tell the format"},
        {{"render", "-o", "missing/out.png"}, "cannot write 'missing/out.png'"},
        {{"render", "--format", "png", "-o", "."}, "cannot write '.': Is a directory"},
        {{"render", "--palette", "none.gpl"}, "cannot read palette 'none.gpl'"},
        {{"render", "--set", "zz"}, "not a hexadecimal number"},
        {{"render", "--reset", "1FFFFFFFF"}, "does not fit in 32 bits"},
        {{"render", "--coarse=yes"}, "--coarse takes no value"},
        {{"spin", "--frames", "0"}, "out of range"},
        {{"spin", "--frames", "12.5"}, "not a whole number"},
        {{"spin", "--delay", "-1"}, "out of range"},
        {{"spin", "--camera-radius", "0", "--target-radius", "0", "--camera-height", "0"},
         "puts the camera on the target"},
        {{"model"}, "give --stats or --obj FILE"},
        {{"model", "--obj", "x.mtl"}, "must not end in .mtl"},
        {{"model", "--obj", "x.obj", "--plan", "100"}, "plan bits lie within 0xFF000"},
        {{"model", "--obj", "x.obj", "--plan", "20000"}, "no polygon"},
        {{"camera", "--steps", "-1"}, "out of range"},
        {{"camera", "--mode", "orbit"}, "'orbit' is not spin, dolly, idle or a number"},
        {{"camera", "--mode", "dolly", "--camera-step", "10"}, "need a spin camera"},
    };
    for (const Bad &bad : cases) {
        std::string shown;
        for (const std::string &a : bad.args) shown += " " + a;
        const Outcome r = run(bad.args);
        EXPECT_NE(r.status, 0) << shown;
        EXPECT_TRUE(r.err.starts_with("quelm: ") || bad.args.empty()) << shown << ": " << r.err;
        if (!bad.args.empty()) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << ": " << r.err;
            EXPECT_NE(r.err.find(bad.says), std::string::npos) << shown << ": " << r.err;
        }
        EXPECT_TRUE(files().empty()) << shown << " left a file";
        for (const auto &entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    }
}

TEST_F(Tool, InterruptRemovesTheFileInTheMaking) {
    const pid_t pid = start({"spin", "-o", "long.gif", "--frames", "100000", "--size", "64x40"});
    // Wait for the temporary file to appear, then interrupt.
    for (int i = 0; i < 1000 && files().empty(); ++i) usleep(10000);
    ASSERT_FALSE(files().empty()) << "the spin never started writing";
    kill(pid, SIGINT);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == SIGINT);
    EXPECT_TRUE(files().empty());
}

TEST_F(Tool, FailureLeavesAnExistingOutputAlone) {
    std::ofstream(dir / "keep.gif") << "earlier";
    const Outcome r = run({"spin", "-o", "keep.gif", "--camera-radius", "0", "--target-radius", "0",
                       "--camera-height", "0"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(slurp(dir / "keep.gif"), "earlier");
    EXPECT_EQ(files(), std::set<std::string>{"keep.gif"});
}

// -------------------------------------------- coplanar layering

using quelm_tool::coplanar_layers;
using quelm_tool::Face;

// A ground rectangle in the model's order: (x1, y2), (x1, y1), (x0, y1),
// (x0, y2), clockwise seen from above, the side it shows.
Face ground(int32_t x0, int32_t y1, int32_t x1, int32_t y2, int32_t z = 0) {
    return Face{{{x1, y2, z}, {x1, y1, z}, {x0, y1, z}, {x0, y2, z}}};
}

TEST(CoplanarLayers, LaterFaceOverAnEarlierOneRisesOnTheShownSide) {
    const std::vector<Face> faces = {ground(0, 0, 10, 10), ground(5, 5, 15, 15)};
    const auto lifts = coplanar_layers(faces);
    EXPECT_EQ(lifts[0].layer, 0);
    EXPECT_EQ(lifts[1].layer, 1);
    EXPECT_DOUBLE_EQ(lifts[1].direction[0], 0.0);
    EXPECT_DOUBLE_EQ(lifts[1].direction[1], 0.0);
    EXPECT_DOUBLE_EQ(lifts[1].direction[2], 1.0);
}

TEST(CoplanarLayers, TouchingOrSeparatePlanesDoNotStack) {
    const std::vector<Face> faces = {
        ground(0, 0, 10, 10),
        ground(10, 0, 20, 10),      // shares an edge
        ground(20, 10, 30, 20),     // shares a corner with the second
        ground(0, 0, 10, 10, 1),    // right above the first, another plane
    };
    for (const auto &lift : coplanar_layers(faces)) EXPECT_EQ(lift.layer, 0);
}

TEST(CoplanarLayers, LayersFollowChainsOfOverlap) {
    // Like the tile rows: each overlaps the one before by half.
    const std::vector<Face> faces = {ground(0, 0, 10, 10), ground(0, 5, 10, 15),
                                     ground(0, 10, 10, 20), ground(2, 2, 4, 4)};
    const auto lifts = coplanar_layers(faces);
    EXPECT_EQ(lifts[0].layer, 0);
    EXPECT_EQ(lifts[1].layer, 1);
    EXPECT_EQ(lifts[2].layer, 2);  // over the second only, which is already lifted
    EXPECT_EQ(lifts[3].layer, 1);  // over the first only
}

TEST(CoplanarLayers, StrokesRiseOnlyWhereTheyCrossAFace) {
    const std::vector<Face> faces = {
        ground(0, 0, 10, 10),
        Face{{{2, 2, 0}, {8, 8, 0}}},    // across the inside
        Face{{{0, 0, 0}, {10, 0, 0}}},   // along an edge
        Face{{{2, 2, 1}, {8, 8, 1}}},    // above, in another plane
        ground(1, 1, 9, 9),              // over the face and the first stroke
    };
    const auto lifts = coplanar_layers(faces);
    EXPECT_EQ(lifts[1].layer, 1);
    EXPECT_DOUBLE_EQ(lifts[1].direction[2], 1.0);
    EXPECT_EQ(lifts[2].layer, 0);
    EXPECT_EQ(lifts[3].layer, 0);
    EXPECT_EQ(lifts[4].layer, 2);
}

TEST(CoplanarLayers, WorksInAnyPlane) {
    // Two overlapping squares in the wall x = 5 and a triangle in a sloping
    // plane through the first square's edge.
    const std::vector<Face> faces = {
        Face{{{5, 0, 0}, {5, 0, 10}, {5, 10, 10}, {5, 10, 0}}},
        Face{{{5, 4, 4}, {5, 4, 14}, {5, 14, 14}, {5, 14, 4}}},
        Face{{{5, 0, 0}, {15, 0, 10}, {5, 10, 0}}},
    };
    const auto lifts = coplanar_layers(faces);
    EXPECT_EQ(lifts[1].layer, 1);
    EXPECT_DOUBLE_EQ(std::fabs(lifts[1].direction[0]), 1.0);
    EXPECT_EQ(lifts[2].layer, 0);
}

}  // namespace
