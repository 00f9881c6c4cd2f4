// quelm bench run as a user runs it: one result per size, view and loader in
// the order asked, JSON that reads back, a table line per result, and a
// one-line refusal of anything it cannot take.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/support/conformance.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string Slurp(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Outcome Bench(const std::string &args) {
    // ctest runs each test in its own process, in parallel: name the files
    // after the process so two runs never share them.
    const std::string stem = ::testing::TempDir() + "bench_" + std::to_string(getpid());
    const std::string out = stem + "_out.txt";
    const std::string err = stem + "_err.txt";
    const std::string command =
        std::string(QUELM_TOOL_PATH) + " bench " + args + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return outcome;
}

int Lines(const std::string &text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(BenchVerb, JsonHasEveryCombinationInOrder) {
    const Outcome r = Bench("--size 64x40 --size 48x30 --view far --view spin --frames 3 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const conformance::Json doc = conformance::Json::parse(r.out);
    EXPECT_EQ(doc.at("frames").get<int64_t>(), 3);
    const conformance::Json &results = doc.at("results");
    ASSERT_EQ(results.size(), 8u) << "2 sizes x 2 views x 2 loaders";
    size_t i = 0;
    for (const int width : {64, 48})
        for (const char *view : {"far", "spin"})
            for (const char *loader : {"edge-driven", "vertex"}) {
                const conformance::Json &e = results.at(i++);
                EXPECT_EQ(e.at("width").get<int64_t>(), width);
                EXPECT_EQ(e.at("height").get<int64_t>(), width == 64 ? 40 : 30);
                EXPECT_EQ(e.at("view").get<std::string>(), view);
                EXPECT_EQ(e.at("loader").get<std::string>(), loader);
                EXPECT_GT(e.at("complete_ms").get<double>(), 0);
                EXPECT_GT(e.at("still_ms").get<double>(), 0);
                EXPECT_GT(e.at("pan_ms").get<double>(), 0);
                const double complete = e.at("complete_ms").get<double>();
                const double still = e.at("still_ms").get<double>();
                const double pan = e.at("pan_ms").get<double>();
                const double ratio = complete / pan;
                EXPECT_NEAR(e.at("frame_ratio").get<double>(), ratio, 1e-3 * ratio);
                // The projections' ratio is given only where both frames
                // took longer than the still one.
                const double projection = e.at("projection_ratio").get<double>();
                if (pan > still && complete > still) {
                    const double expected = (complete - still) / (pan - still);
                    EXPECT_NEAR(projection, expected, 1e-2 * expected);
                } else {
                    EXPECT_EQ(projection, 0);
                }
                EXPECT_EQ(e.at("pan_fallbacks").get<int64_t>(), 0) << view << ": every pan frame panned";
            }
}

TEST(BenchVerb, TableHasALinePerResult) {
    const Outcome r = Bench("--size 40x25 --view endzone --loader vertex --frames 2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out), 4) << "two lines of heading, one of columns, one result:\n" << r.out;
    EXPECT_NE(r.out.find("40x25"), std::string::npos);
    EXPECT_NE(r.out.find("endzone"), std::string::npos);
    EXPECT_EQ(r.out.find("edge-driven"), std::string::npos) << "only the loader asked for";
}

TEST(BenchVerb, RefusesWhatItCannotTake) {
    for (const char *args : {"--view nowhere", "--size 0x10", "--size 10", "--frames 0",
                             "--frames many", "--loader both-ways", "--json extra", "--speed 2"}) {
        const Outcome r = Bench(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(Lines(r.err), 1) << args << ": " << r.err;
        EXPECT_EQ(r.err.rfind("quelm: bench: ", 0), 0u) << args << ": " << r.err;
    }
}

}  // namespace
