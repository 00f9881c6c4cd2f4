// The quelm command line, run as a user runs it: what each verb prints and
// writes, and how it refuses bad invocations (bad_input_test has the wider
// table of hostile ones); and the coplanar layering behind the OBJ lift.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/palette.h"
#include "tests/support/run_tool.h"
#include "tools/quelm/image.h"
#include "tools/quelm/layers.h"

using namespace quelm_test;
using quelm_tool::IndexedImage;
using quelm_tool::Palette;

namespace {

class Tool : public ToolTest {
protected:
    Tool() : ToolTest(QUELM_TOOL_PATH) {}

    ::testing::AssertionResult ok(const std::vector<std::string> &args) const {
        const Outcome r = run(args);
        if (r.status == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "status " << r.status << ": " << r.err;
    }

    IndexedImage png(const std::string &name, Palette *palette = nullptr) const {
        IndexedImage image;
        Palette colours{};
        std::string error;
        EXPECT_TRUE(quelm_tool::read_png((dir / name).string(), image, colours, error)) << error;
        if (palette) *palette = colours;
        return image;
    }
};

int count_index(const IndexedImage &image, int index) {
    return int(std::count(image.pixels.begin(), image.pixels.end(), uint8_t(index)));
}

// ------------------------------------------------------------ model

TEST_F(Tool, StatsCountTheWholeModelAndItsMaterials) {
    const Outcome r = run({"model", "--stats"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // "name count" lines, then "index count" lines under a heading.
    std::map<std::string, int> counts;
    for (const std::string &line : lines_of(r.out)) {
        std::istringstream in(line);
        std::string name;
        if (int count = 0; in >> name >> count) counts[name] = count;
    }
    EXPECT_EQ(counts, (std::map<std::string, int>{
                          {"polygons", 1414}, {"vertices", 3032}, {"edges", 4047},
                          {"strokes", 142}, {"triangles", 30}, {"quadrilaterals", 1242},
                          {"54", 482}, {"43", 382}, {"32", 108}, {"35", 100}, {"37", 96},
                          {"44", 84}, {"61", 48}, {"38", 42}, {"34", 22}, {"36", 20},
                          {"51", 12}, {"59", 12}, {"63", 6}}));
}

struct Obj {
    std::string text;
    std::vector<std::array<double, 3>> vertices;
    std::vector<std::vector<size_t>> faces, lines;
    std::vector<std::string> face_materials;  // one per face
};

Obj read_obj(const fs::path &path) {
    Obj obj;
    obj.text = slurp(path);
    std::string material;
    for (const std::string &line : lines_of(obj.text)) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "v") {
            auto &v = obj.vertices.emplace_back();
            in >> v[0] >> v[1] >> v[2];
        } else if (kind == "f" || kind == "l") {
            auto &corners = (kind == "f" ? obj.faces : obj.lines).emplace_back();
            for (size_t i; in >> i;) corners.push_back(i);
            if (kind == "f") obj.face_materials.push_back(material);
        } else if (kind == "usemtl") {
            in >> material;
        }
    }
    for (const auto *group : {&obj.faces, &obj.lines})
        for (const auto &corners : *group)
            for (size_t c : corners) EXPECT_TRUE(c >= 1 && c <= obj.vertices.size()) << c;
    return obj;
}

// Newell's normal of a face, right-handed: it points to the side from
// which the corners run counter-clockwise, the side an OBJ face shows.
std::array<double, 3> shown_normal(const Obj &obj, const std::vector<size_t> &face) {
    std::array<double, 3> n{};
    for (size_t i = 0; i < face.size(); ++i) {
        const auto &a = obj.vertices[face[i] - 1];
        const auto &b = obj.vertices[face[(i + 1) % face.size()] - 1];
        n[0] += (a[1] - b[1]) * (a[2] + b[2]);
        n[1] += (a[2] - b[2]) * (a[0] + b[0]);
        n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    return n;
}

TEST_F(Tool, ObjHoldsTheDefaultPlanFacingTheField) {
    ASSERT_TRUE(ok({"model", "--obj", "stadium.obj"}));
    EXPECT_EQ(files(), (std::set<std::string>{"stadium.obj", "stadium.mtl"}));
    const Obj obj = read_obj(dir / "stadium.obj");
    // Plan 0xE9000: stands and sky 18, ground group 170, fine surface with its
    // near marks and digits 798, pylons 48; no stroke.
    EXPECT_EQ(obj.faces.size(), 1034u);
    EXPECT_EQ(obj.lines.size(), 0u);
    const std::string header = obj.text.substr(0, obj.text.find("\nv "));
    for (const char *says : {"inches", "z up", "\nmtllib stadium.mtl"})
        EXPECT_NE(header.find(says), std::string::npos) << says << " not in:\n" << header;
    int turf = 0, stands = 0;
    for (size_t f = 0; f < obj.faces.size(); ++f) {
        ASSERT_GE(obj.faces[f].size(), 3u);
        const auto n = shown_normal(obj, obj.faces[f]);
        const std::string &material = obj.face_materials[f];
        if (material == "colour032" || material == "colour035") {
            ++turf;
            EXPECT_GT(n[2], 0) << "turf face " << f << " faces down";
        } else if (material == "colour063") {
            ++stands;  // up, and towards the middle of the stadium
            const auto &corner = obj.vertices[obj.faces[f][0] - 1];
            EXPECT_GT(n[2], 0) << "stand face " << f;
            EXPECT_LT(n[0] * corner[0] + n[1] * corner[1], 0) << "stand face " << f;
        }
    }
    EXPECT_EQ(turf, 200);
    EXPECT_EQ(stands, 6);

    // One material per palette index used (all but 44, the medium and far
    // marks), its colour the palette's.
    std::map<std::string, std::array<double, 3>> kd;
    std::string current;
    for (const std::string &line : lines_of(slurp(dir / "stadium.mtl"))) {
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        if (kind == "newmtl") in >> current;
        if (kind == "Kd") in >> kd[current][0] >> kd[current][1] >> kd[current][2];
    }
    const std::set<std::string> used(obj.face_materials.begin(), obj.face_materials.end());
    EXPECT_EQ(used.size(), kd.size());
    EXPECT_EQ(used.size(), 12u);
    EXPECT_EQ(used.count("colour044"), 0u);
    const RGBQUAD sky = QuelmDefaultPalette[51];
    EXPECT_NEAR(kd["colour051"][0], sky.rgbRed / 255.0, 1e-6);
    EXPECT_NEAR(kd["colour051"][1], sky.rgbGreen / 255.0, 1e-6);
    EXPECT_NEAR(kd["colour051"][2], sky.rgbBlue / 255.0, 1e-6);
}

TEST_F(Tool, ObjPlanPicksPolygonsAndWritesStrokesAsLines) {
    ASSERT_TRUE(ok({"model", "--obj", "far.obj", "--plan", "0x4000"}));
    const Obj far = read_obj(dir / "far.obj");
    EXPECT_EQ(far.lines.size(), 142u);  // far digit outlines
    EXPECT_EQ(far.faces.size(), 4u);    // far hash-mark strips
    for (const auto &l : far.lines) EXPECT_EQ(l.size(), 2u);
    ASSERT_TRUE(ok({"model", "--obj", "all.obj", "--plan", "FF000"}));
    const Obj all = read_obj(dir / "all.obj");
    EXPECT_EQ(all.faces.size() + all.lines.size(), 1414u);
}

TEST_F(Tool, ObjLiftsPaintedOverLayersByAHairUnlessTold) {
    ASSERT_TRUE(ok({"model", "--obj", "lifted.obj"}));
    ASSERT_TRUE(ok({"model", "--obj", "flat.obj", "--no-lift"}));
    const Obj lifted = read_obj(dir / "lifted.obj"), flat = read_obj(dir / "flat.obj");
    ASSERT_EQ(lifted.faces.size(), flat.faces.size());
    // Without lift every corner is a model vertex; with it, markings rise a
    // little above the turf and nothing moves far.
    for (const auto &v : flat.vertices)
        for (double c : v) EXPECT_EQ(c, std::trunc(c));
    double highest_lift = 0;
    int digits = 0;
    for (size_t f = 0; f < flat.faces.size(); ++f) {
        const bool digit = lifted.face_materials[f] == "colour054";
        digits += digit;
        for (size_t k = 0; k < flat.faces[f].size(); ++k) {
            const auto &a = flat.vertices[flat.faces[f][k] - 1];
            const auto &b = lifted.vertices[lifted.faces[f][k] - 1];
            highest_lift = std::max(highest_lift, std::fabs(b[2] - a[2]));
            EXPECT_NEAR(a[0], b[0], 2.0);
            EXPECT_NEAR(a[1], b[1], 2.0);
            if (digit) {  // yard numbers lie above the tiles they are painted on
                EXPECT_EQ(a[2], 0.0);
                EXPECT_GT(b[2], 0.0);
            }
        }
    }
    EXPECT_GT(highest_lift, 0.0);
    EXPECT_LT(highest_lift, 2.0);
    EXPECT_EQ(digits, 198);  // the near version of every digit and arrow
}

TEST_F(Tool, ObjLoadsInAssimpWhereItIsInstalled) {
    if (std::system("command -v assimp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "assimp (assimp-utils) is not installed";
    ASSERT_TRUE(ok({"model", "--obj", "stadium.obj", "--plan", "0xFF000"}));
    const std::string command = "cd '" + dir.string() + "' && assimp info stadium.obj >info 2>&1";
    const int status = std::system(command.c_str());
    const std::string report = slurp(dir / "info");
    ASSERT_EQ(status, 0) << report;
    // One mesh per colour; 142 strokes, 30 triangles and 1242 quadrilaterals
    // cut in two; x along the field, y across it.
    for (const char *line : {"Meshes:             13", "Faces:              2656",
                             "Maximum point      (4500.000000 3300.000000 7200.000000)"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
}

// ----------------------------------------------------------- render

TEST_F(Tool, RenderWithoutOptionsWritesTheStadiumPng) {
    ASSERT_TRUE(ok({"render"}));
    EXPECT_EQ(files(), std::set<std::string>{"stadium.png"});
    Palette palette{};
    const IndexedImage image = png("stadium.png", &palette);
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 800);
    EXPECT_EQ(palette, quelm_tool::default_palette());
    for (int material : {QUELM_MAT_SKY, QUELM_MAT_STANDS, QUELM_MAT_TURF, QUELM_MAT_TURF_ALT,
                         QUELM_MAT_LINE, QUELM_MAT_NUMBER, QUELM_MAT_GROUND})
        EXPECT_GT(count_index(image, material), 100) << "material " << material;
    // The model meets itself in T-junctions (ground pieces along the stands'
    // foot, end-zone tiles along the end line) whose slivers, under a pixel
    // wide, the rasteriser's half-pixel margin must cover.
    EXPECT_EQ(count_index(image, 0), 0);
}

TEST_F(Tool, RenderWritesBmpOfTheGivenSize) {
    // Looking up from the middle of the field at the apex of the sky: the
    // roof fills the picture.  Once with the format implied, once named.
    for (const char *output : {"--output=up.bmp", "--output=up.img --format=bmp"}) {
        std::vector<std::string> args = {"render", "--size", "33x20", "--camera", "0,0,100",
                                         "--target", "0,1,9000", "--magnification", "1"};
        std::istringstream words(output);
        for (std::string w; words >> w;) args.push_back(w);
        ASSERT_TRUE(ok(args));
    }
    const std::string bmp = slurp(dir / "up.bmp");
    EXPECT_EQ(slurp(dir / "up.img"), bmp);
    ASSERT_EQ(bmp.size(), 54u + 1024u + 36u * 20u);  // rows padded to 36 bytes
    const auto le32 = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 4; i-- > 0;) v = v << 8 | uint8_t(bmp[at + i]);
        return v;
    };
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(2), bmp.size());  // file size
    EXPECT_EQ(le32(18), 33u);        // width
    EXPECT_EQ(le32(22), 20u);        // height, bottom-up
    EXPECT_EQ(uint8_t(bmp[28]), 8);  // bits per pixel
    for (size_t at = le32(10); at < bmp.size(); at += 36)
        EXPECT_EQ(std::string(bmp, at, 33), std::string(33, char(QUELM_MAT_SKY)));
}

TEST_F(Tool, RenderSettingsChangeWhatIsDrawn) {
    const auto render = [&](const std::string &name, std::vector<std::string> settings) {
        settings.insert(settings.begin(), {"render", "--size", "160x100", "-o", name});
        EXPECT_TRUE(ok(settings));
        return png(name);
    };
    const IndexedImage plain = render("plain.png", {}), coarse = render("coarse.png", {"--coarse"}),
                       nostands = render("nostands.png", {"--reset", "40000"}),
                       back = render("back.png", {"--reset", "40000", "--set", "0x40000"});
    // The coarse surface has no checkerboard.
    EXPECT_GT(count_index(plain, QUELM_MAT_TURF_ALT), 0);
    EXPECT_EQ(count_index(coarse, QUELM_MAT_TURF_ALT), 0);
    EXPECT_GT(count_index(coarse, QUELM_MAT_TURF), 0);
    EXPECT_EQ(count_index(nostands, QUELM_MAT_STANDS) + count_index(nostands, QUELM_MAT_SKY), 0);
    EXPECT_EQ(back.pixels, plain.pixels);  // changes apply in command-line order
}

TEST_F(Tool, RenderFitKeepsTheWholeStadiumInsideTheBackground) {
    ASSERT_TRUE(ok({"render", "-o", "fit.png", "--size", "160x100", "--camera", "9000,-12000,8000",
                    "--fit", "--background", "200"}));
    const IndexedImage image = png("fit.png");
    ASSERT_EQ(image.pixels.size(), 160u * 100u);
    // From outside, the whole stadium, sky and all, is an island in the
    // background colour.
    for (size_t x = 0; x < 160; ++x) {
        EXPECT_EQ(image.pixels[x], 200) << x;
        EXPECT_EQ(image.pixels[99 * 160 + x], 200) << x;
    }
    EXPECT_GT(count_index(image, QUELM_MAT_STANDS), 0);
}

TEST_F(Tool, RenderColoursFromPaletteFiles) {
    std::ofstream(dir / "three.gpl") << "GIMP Palette\nName: test\nColumns: 3\n# comment\n"
                                        "255 0 0\tred\n0 255 0 green\n  0 0 255\n";
    std::ofstream(dir / "two.pal") << "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n";
    // A 1x1 1-bit BMP: headers (info: size, width, height, planes, bits, ...,
    // colours used), two colours as B, G, R, 0 and the pixel row.
    static const char bmp[] = "BM\0\0\0\0\0\0\0\0\x3e\0\0\0" "\x28\0\0\0\1\0\0\0\1\0\0\0\1\0\1\0"
                              "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\2\0\0\0\0\0\0\0"
                              "\x10\x20\x30\0\x40\x50\x60\0\0\0\0\0";
    std::ofstream(dir / "two.bmp", std::ios::binary).write(bmp, sizeof bmp - 1);
    const std::pair<const char *, std::vector<quelm_tool::Rgb>> cases[] = {
        {"three.gpl", {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
        {"two.pal", {{1, 2, 3}, {4, 5, 6}}},
        {"two.bmp", {{0x30, 0x20, 0x10}, {0x60, 0x50, 0x40}}},
    };
    for (const auto &[file, colours] : cases) {
        ASSERT_TRUE(ok({"render", "-o", "p.png", "--size", "8x5", "--palette", file})) << file;
        Palette palette{};
        png("p.png", &palette);
        Palette expected = quelm_tool::default_palette();  // where the file is silent
        std::copy(colours.begin(), colours.end(), expected.begin());
        EXPECT_EQ(palette, expected) << file;
    }
}

// ------------------------------------------------------------- spin

TEST_F(Tool, SpinWritesALoopingGifFramePerStepEndingWhereItBegan) {
    const Outcome r = run({"spin", "-o", "s.gif", "--frames", "6", "--size", "48x30", "--delay",
                           "7", "--camera-step", "600"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");  // no progress bar off a terminal
    int error = 0;
    GifFileType *gif = DGifOpenFileName((dir / "s.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 48);
    EXPECT_EQ(gif->SHeight, 30);
    ASSERT_EQ(gif->ImageCount, 6);
    bool loops = false;
    for (int i = 0; i < gif->SavedImages[0].ExtensionBlockCount; ++i) {
        const ExtensionBlock &b = gif->SavedImages[0].ExtensionBlocks[i];
        loops |= b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                 std::string(reinterpret_cast<char *>(b.Bytes), 11) == "NETSCAPE2.0";
    }
    EXPECT_TRUE(loops);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 7);
        const uint8_t *bits = gif->SavedImages[i].RasterBits;
        frames.emplace_back(bits, bits + 48 * 30);
    }
    DGifCloseFile(gif, &error);
    // 60 degrees a step: six different views, each frame drawn after its
    // step, so that the last one is the start position again.
    EXPECT_EQ(std::set<std::vector<uint8_t>>(frames.begin(), frames.end()).size(), 6u);
    ASSERT_TRUE(ok({"render", "-o", "start.png", "--size", "48x30", "--camera", "2800,0,1800",
                    "--magnification", "0.005"}));
    EXPECT_EQ(png("start.png").pixels, frames.back());
}

// ----------------------------------------------------------- camera

TEST_F(Tool, CameraPrintsTheCameraAfterItsSteps) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{}, {"mode spin", "camera 2700 0 360"}},
        {{"--camera-step", "150", "--steps", "1"},
         {"camera 2608 699 360", "target 540 0 72", "magnification 1"}},
        {{"--camera-step", "150", "--steps", "2"}, {"camera 2338 1350 360"}},
        {{"--camera-step", "150", "--steps", "24"}, {"camera 2700 0 360"}},  // a whole turn
        {{"--camera-step=-150", "--steps", "1"}, {"camera 2608 -698 360"}},
        {{"--target-step", "300", "--steps", "1"}, {"target 468 270 72"}},
        {{"--camera-radius", "1000", "--camera-height", "50", "--magnification", "2.5", "--steps",
          "1"},
         {"camera 1000 0 50", "magnification 2.5"}},
        // A dolly camera does not move, however often it is updated.
        {{"--mode", "dolly", "--steps", "5"}, {"mode dolly", "camera 0 0 0"}},
        {{"--mode", "idle"}, {"mode idle"}},
        // InitCamera takes 0 as spin and any other unknown number as idle.
        {{"--mode", "0"}, {"mode spin"}},
        {{"--mode", "7"}, {"mode idle"}},
    };
    for (const auto &[args, expected] : cases) {
        std::vector<std::string> command = {"camera"};
        command.insert(command.end(), args.begin(), args.end());
        const Outcome r = run(command);
        const std::vector<std::string> printed = lines_of(r.out);
        for (const std::string &line : expected)
            EXPECT_NE(std::find(printed.begin(), printed.end(), line), printed.end())
                << "no '" << line << "' from" << joined(command) << ":\n" << r.out << r.err;
    }
}

// ------------------------------------------------------ help, version

TEST_F(Tool, HelpAndVersion) {
    EXPECT_TRUE(run({"--version"}).out.starts_with("quelm "));
    const std::string help = run({"--help"}).out;
    for (const char *verb : {"model", "render", "spin", "camera"}) {
        EXPECT_NE(help.find(verb), std::string::npos) << verb;
        const Outcome r = run({verb, "--help"});
        EXPECT_EQ(r.status, 0) << verb;
        EXPECT_TRUE(r.out.starts_with(std::string("usage: quelm ") + verb)) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_NE(run({"render", "--help"}).out.find("--magnification"), std::string::npos);
    EXPECT_TRUE(files().empty());
}

// ------------------------------------------------- bad invocations

TEST_F(Tool, BadInvocationsFailWithOneLineAndNoFile) {
    const Outcome bare = run({});
    EXPECT_NE(bare.status, 0);
    EXPECT_NE(bare.err.find("usage"), std::string::npos) << bare.err;

    const std::pair<std::vector<std::string>, const char *> cases[] = {
        {{"render", "--magnification", "2000"}, "less than one inch"},
        {{"render", "--camera", "1,2"}, "is not X,Y,Z"},
        {{"render", "--camera", "5,5,5", "--target", "5,5,5"}, "same point"},
        {{"render", "--fit"}, "lies behind the camera"},
        {{"render", "--background", "256"}, "out of range"},
        {{"render", "--format", "gif"}, "'gif' is not png or bmp"},
        {{"render", "-o", "out.gif"}, "cannot tell the format"},
        {{"render", "--format", "png", "-o", "."}, "cannot write '.': Is a directory"},
        {{"render", "--set", "zz"}, "not a hexadecimal number"},
        {{"render", "--reset", "1FFFFFFFF"}, "does not fit in 32 bits"},
        {{"spin", "--frames", "0"}, "out of range"},
        {{"spin", "--frames", "12.5"}, "not a whole number"},
        {{"spin", "--camera-radius", "0", "--target-radius", "0", "--camera-height", "0"},
         "puts the camera on the target"},
        {{"model"}, "give --stats or --obj FILE"},
        {{"model", "--obj", "x.mtl"}, "must not end in .mtl"},
        {{"model", "--obj", "x.obj", "--plan", "100"}, "plan bits lie within 0xFF000"},
        {{"camera", "--steps", "-1"}, "out of range"},
    };
    for (const auto &[args, says] : cases) {
        SCOPED_TRACE(joined(args));
        const Outcome r = run(args);
        EXPECT_NE(r.status, 0);
        EXPECT_TRUE(r.err.starts_with("quelm: ")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_TRUE(files().empty()) << "left a file";
        for (const auto &entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    }
}

TEST_F(Tool, InterruptRemovesTheFileInTheMaking) {
    const pid_t pid = start({"spin", "-o", "long.gif", "--frames", "100000", "--size", "64x40"});
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
    EXPECT_FALSE(ok({"spin", "-o", "keep.gif", "--camera-radius", "0", "--target-radius", "0",
                     "--camera-height", "0"}));
    EXPECT_EQ(slurp(dir / "keep.gif"), "earlier");
    EXPECT_EQ(files(), std::set<std::string>{"keep.gif"});
}

// -------------------------------------------- coplanar layering

using quelm_tool::Face;

// A ground rectangle in the model's order: (x1, y2), (x1, y1), (x0, y1),
// (x0, y2), clockwise seen from above, the side it shows.
Face ground(int32_t x0, int32_t y1, int32_t x1, int32_t y2, int32_t z = 0) {
    return Face{{{x1, y2, z}, {x1, y1, z}, {x0, y1, z}, {x0, y2, z}}};
}

TEST(CoplanarLayers, OneAboveTheHighestEarlierFaceItCoversInItsPlane) {
    const struct {
        const char *what;
        std::vector<Face> faces;
        std::vector<int> layers;
    } cases[] = {
        {"a later face over an earlier one", {ground(0, 0, 10, 10), ground(5, 5, 15, 15)}, {0, 1}},
        {"sharing an edge, a corner, or lying right above in another plane",
         {ground(0, 0, 10, 10), ground(10, 0, 20, 10), ground(20, 10, 30, 20),
          ground(0, 0, 10, 10, 1)},
         {0, 0, 0, 0}},
        {"chains of overlap like the tile rows; the last face over the first only",
         {ground(0, 0, 10, 10), ground(0, 5, 10, 15), ground(0, 10, 10, 20), ground(2, 2, 4, 4)},
         {0, 1, 2, 1}},
        {"strokes across the inside, along an edge, above; a face over a stroke",
         {ground(0, 0, 10, 10), Face{{{2, 2, 0}, {8, 8, 0}}}, Face{{{0, 0, 0}, {10, 0, 0}}},
          Face{{{2, 2, 1}, {8, 8, 1}}}, ground(1, 1, 9, 9)},
         {0, 1, 0, 0, 2}},
        {"squares in the wall x = 5, a sloping triangle through the first one's edge",
         {Face{{{5, 0, 0}, {5, 0, 10}, {5, 10, 10}, {5, 10, 0}}},
          Face{{{5, 4, 4}, {5, 4, 14}, {5, 14, 14}, {5, 14, 4}}},
          Face{{{5, 0, 0}, {15, 0, 10}, {5, 10, 0}}}},
         {0, 1, 0}},
    };
    for (const auto &c : cases) {
        std::vector<int> layers;
        for (const quelm_tool::Lift &lift : quelm_tool::coplanar_layers(c.faces))
            layers.push_back(lift.layer);
        EXPECT_EQ(layers, c.layers) << c.what;
    }
}

TEST(CoplanarLayers, LiftIsTowardsTheShownSide) {
    const auto lift_of_second = [](const Face &under, const Face &over) {
        return quelm_tool::coplanar_layers(std::vector<Face>{under, over})[1].direction;
    };
    using Direction = std::array<double, 3>;
    EXPECT_EQ(lift_of_second(ground(0, 0, 10, 10), ground(4, 2, 6, 4)), (Direction{0, 0, 1}));
    // A stroke takes the side of the face it crosses.
    EXPECT_EQ(lift_of_second(ground(0, 0, 10, 10), Face{{{2, 2, 0}, {8, 8, 0}}}),
              (Direction{0, 0, 1}));
    // Clockwise seen from +x.
    EXPECT_EQ(lift_of_second(Face{{{5, 0, 0}, {5, 0, 10}, {5, 10, 10}, {5, 10, 0}}},
                             Face{{{5, 2, 2}, {5, 2, 4}, {5, 4, 4}, {5, 4, 2}}}),
              (Direction{1, 0, 0}));
}

}  // namespace
