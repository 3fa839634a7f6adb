#include "IncludeGraph.h"

#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using layers::IncludeGraph;
using layers::IncludeViolation;

namespace {

IncludeGraph builtGraph() {
    std::ifstream in(KESTROVA_LAYERS_FILE);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    auto graph = IncludeGraph::parse(text.str(), &error);
    EXPECT_TRUE(graph) << KESTROVA_LAYERS_FILE << ": " << error;
    return graph ? *graph : IncludeGraph{};
}

// A graph like the product's: a low library, one above it, a top one, and a library in a
// subfolder of the top one that links only the low one.
IncludeGraph smallGraph() {
    std::string error;
    auto graph = IncludeGraph::parse(
        "low lib/low\n"
        "mid lib/mid low\n"
        "\n"
        "top top mid\n"
        "topsub top/sub low\n"
        "all - low mid\n",
        &error);
    EXPECT_TRUE(graph) << error;
    return graph ? *graph : IncludeGraph{};
}

std::vector<std::string> described(const std::vector<IncludeViolation>& violations) {
    std::vector<std::string> lines;
    for (const auto& v : violations) lines.push_back(v.describe());
    return lines;
}

}  // namespace

// The check itself, on the graph the build wrote: every product include stays within what its
// library links; every test include within what the library it tests links (a test of a platform
// library cannot reach up into the application to set its case up); and dependencies point
// host -> application -> platform, so that the check cannot be satisfied by declaring a
// dependency the wrong way round.
TEST(IncludeGraph, TheProductAndItsTestsKeepToTheLayers) {
    const IncludeGraph graph = builtGraph();
    // The real graph, so the checks below cannot pass on an empty one.
    EXPECT_EQ(graph.libraryOf("platform/ui/View.cpp"), "kestrova_platform_ui");
    EXPECT_EQ(graph.libraryOf("host/window/WindowHost.cpp"), "kestrova_host_window");
    EXPECT_EQ(graph.libraryOf("host/HostMain.cpp"), "kestrova_host");
    int productFiles = 0, testFiles = 0;
    for (const auto& v : graph.checkTree(KESTROVA_SOURCE_DIR, &productFiles)) ADD_FAILURE() << v.describe();
    for (const auto& v : graph.checkTests(KESTROVA_SOURCE_DIR,
                                          {{"e2e", "kestrova_host"}, {"support", "kestrova_platform_foundation"},
                                           {"layers", ""}},
                                          &testFiles))
        ADD_FAILURE() << v.describe();
    EXPECT_GT(productFiles, 250);
    EXPECT_GT(testFiles, 100);

    auto layer = [](const std::string& library) {
        if (library.rfind("kestrova_platform", 0) == 0) return 0;
        if (library.rfind("kestrova_host", 0) == 0) return 2;
        return 1;
    };
    ASSERT_GT(graph.libraries().size(), 10u);
    for (const auto& library : graph.libraries())
        for (const auto& d : graph.dependenciesOf(library))
            EXPECT_LE(layer(d), layer(library)) << library << " links " << d << ", a library of a higher layer";
    // The window's SDL stays out of the simulated device and what it runs.
    EXPECT_FALSE(graph.reachableFrom("kestrova_host_device").count("kestrova_host_window"));
    EXPECT_FALSE(graph.reachableFrom("kestrova_platform_camera").count("kestrova_platform_ui"));
}

TEST(IncludeGraph, NamesTheFileLineAndEdgeOfEveryCrossingInclude) {
    const IncludeGraph graph = smallGraph();
    // Own headers, a linked library's and one reached through it are fine, whatever the spacing.
    EXPECT_TRUE(graph.checkFile("lib/mid/A.cpp", "#include \"lib/mid/A.h\"\n#include \"lib/low/B.h\"\n").empty());
    EXPECT_TRUE(graph.checkFile("top/T.cpp", "#  include \"lib/low/B.h\"\n#include <vector>\n").empty());
    // Upwards: named with its line and both ends.
    auto v = graph.checkFile("lib/low/B.cpp", "#include \"lib/low/B.h\"\n\n  #include \"lib/mid/A.h\"\n");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].describe(),
              "lib/low/B.cpp:3: #include \"lib/mid/A.h\": low (lib/low) must not include mid (lib/mid); "
              "it may include low");
    // A subfolder with a library of its own does not inherit what its parent folder links.
    v = graph.checkFile("top/sub/S.h", "// #include \"top/T.h\" is commented out\n#include \"lib/mid/A.h\"\n");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].line, 2);
    EXPECT_EQ(v[0].include, "lib/mid/A.h");
    EXPECT_NE(v[0].reason.find("topsub (top/sub) must not include mid (lib/mid)"), std::string::npos) << v[0].reason;
    // A header of no library (a path not from the source root) and a file of no library.
    v = graph.checkFile("lib/mid/A.cpp", "#include \"A.h\"\n");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_NE(v[0].reason.find("no library holds"), std::string::npos);
    EXPECT_EQ(described(graph.checkFile("lib/other/C.cpp", "")),
              std::vector<std::string>{"lib/other/C.cpp:1: the file belongs to no library"});
}

TEST(IncludeGraph, ReadsEverySourceBelowTheLibrariesFolders) {
    testenv::ScratchDir root;
    testenv::writeFile(root / "lib/low/B.h", "#pragma once\n#include \"top/T.h\"\n");
    testenv::writeFile(root / "lib/mid/deep/A.cpp", "#include \"lib/low/B.h\"\n");
    testenv::writeFile(root / "top/sub/S.c", "#include \"lib/mid/A.h\"\n");
    testenv::writeFile(root / "top/notes.txt", "#include \"lib/mid/A.h\"\n");  // not a source
    testenv::writeFile(root / "other/X.cpp", "#include \"top/T.h\"\n");        // no library's folder
    int filesRead = 0;
    EXPECT_EQ(described(smallGraph().checkTree(root.path(), &filesRead)),
              (std::vector<std::string>{
                  "lib/low/B.h:2: #include \"top/T.h\": low (lib/low) must not include top (top); it may include low",
                  "top/sub/S.c:1: #include \"lib/mid/A.h\": topsub (top/sub) must not include mid (lib/mid); it may "
                  "include low, topsub"}));
    EXPECT_EQ(filesRead, 3);
}

TEST(IncludeGraph, HoldsEachTestToTheLibraryItMirrors) {
    testenv::ScratchDir root;
    testenv::writeFile(root / "tests/lib/mid/ATest.cpp",
                       "#include \"lib/mid/A.h\"\n#include \"Fixture.h\"\n#include \"tests/help/H.h\"\n");
    testenv::writeFile(root / "tests/lib/low/BTest.cpp", "#include \"lib/mid/A.h\"\n");
    testenv::writeFile(root / "tests/help/H.h", "#include \"top/T.h\"\n");
    testenv::writeFile(root / "tests/tools/Skip.cpp", "#include \"top/T.h\"\n");
    testenv::writeFile(root / "tests/stray/X.cpp", "");
    int filesRead = 0;
    EXPECT_EQ(described(smallGraph().checkTests(root.path(), {{"help", "mid"}, {"tools", ""}}, &filesRead)),
              (std::vector<std::string>{
                  "tests/help/H.h:1: #include \"top/T.h\": mid (lib/mid) must not include top (top); it may include "
                  "low, mid",
                  "tests/lib/low/BTest.cpp:1: #include \"lib/mid/A.h\": low (lib/low) must not include mid (lib/mid); "
                  "it may include low",
                  "tests/stray/X.cpp:1: the test mirrors no library's folder"}));
    EXPECT_EQ(filesRead, 4);
}

TEST(IncludeGraph, RejectsAGraphThatLinksAnUnknownLibrary) {
    std::string error;
    EXPECT_FALSE(IncludeGraph::parse("a x\nb y a c\n", &error));
    EXPECT_EQ(error, "b links c, which is not a library of the graph");
    EXPECT_FALSE(IncludeGraph::parse("a\n", &error));
    EXPECT_EQ(error, "line 1: no folder for a");
}
