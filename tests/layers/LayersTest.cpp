// The product's libraries as the build declares them (layers.txt in the build folder: one line
// "library folder dependency..." each, "-" for a library made only of others) and every quoted
// #include of the product and its tests held to them. A file belongs to the library of the
// deepest folder that holds it; it may include its own library's headers and those of every
// library its library links, directly or through another. A test is held to the library of the
// source it mirrors (tests/ui/info/X.cpp to that of ui/info/X.cpp) or, in a folder of its own, to
// the one named for that folder (an empty name: not checked); the tests' own headers ("tests/...",
// or beside the file) are always allowed.
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using OwnFolders = std::map<std::string, std::string>;

struct Graph {
    std::map<std::string, std::string> folderOf;                   // library -> folder ("" for none)
    std::map<std::string, std::vector<std::string>> dependencies;  // library -> what it links

    static Graph parse(const std::string& text) {
        Graph graph;
        std::istringstream lines(text);
        for (std::string line, library, folder, dependency; std::getline(lines, line);) {
            std::istringstream fields(line);
            if (!(fields >> library >> folder)) continue;  // blank
            graph.folderOf[library] = folder == "-" ? "" : folder;
            while (fields >> dependency) graph.dependencies[library].push_back(dependency);
        }
        return graph;
    }

    // The library of the deepest folder holding `path` (relative, '/'-separated); empty for none.
    std::string libraryOf(const std::string& path) const {
        std::string best;
        size_t bestLength = 0;
        for (const auto& [library, folder] : folderOf)
            if (!folder.empty() && folder.size() >= bestLength &&
                path.compare(0, folder.size() + 1, folder + "/") == 0) {
                best = library;
                bestLength = folder.size();
            }
        return best;
    }

    // `library` itself and all it links, directly or not.
    std::set<std::string> reachableFrom(const std::string& library) const {
        std::set<std::string> seen{library};
        std::vector<std::string> todo{library};
        while (!todo.empty()) {
            const std::string next = todo.back();
            todo.pop_back();
            if (auto it = dependencies.find(next); it != dependencies.end())
                for (const auto& d : it->second)
                    if (seen.insert(d).second) todo.push_back(d);
        }
        return seen;
    }

    // "file:line: #include "x": reason" for each quoted include in `contents` of `path` that
    // library `from` may not make; "file:1: reason" for a file of no library.
    std::vector<std::string> check(const std::string& path, const std::string& contents, const std::string& from,
                                   bool test) const {
        if (from.empty())
            return {path + ":1: " + (test ? "the test mirrors no library's folder" : "no library holds the file")};
        static const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]*)")re");
        const std::set<std::string> allowed = reachableFrom(from);
        std::vector<std::string> found;
        std::istringstream lines(contents);
        std::string line;
        for (int number = 1; std::getline(lines, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, includeLine)) continue;
            const std::string include = m[1], to = libraryOf(include);
            if (test && (include.rfind("tests/", 0) == 0 || include.find('/') == std::string::npos)) continue;
            const std::string where = path + ":" + std::to_string(number) + ": #include \"" + include + "\": ";
            if (to.empty())
                found.push_back(where + "no library holds this header (includes are written from the source root)");
            else if (!allowed.count(to))
                found.push_back(where + from + " (" + folderOf.at(from) + ") must not include " + to + " (" +
                                folderOf.at(to) + ")");
        }
        return found;
    }

    // Every .h, .cpp and .c below the top folders of the libraries and below tests/; `filesRead`
    // counts the product's and the tests' files checked.
    std::vector<std::string> checkTree(const fs::path& root, const OwnFolders& ownFolders,
                                       std::pair<int, int>* filesRead = nullptr) const {
        std::set<std::string> tops{"tests"};
        for (const auto& [library, folder] : folderOf)
            if (!folder.empty()) tops.insert(folder.substr(0, folder.find('/')));
        std::vector<std::string> files, found;
        for (const auto& top : tops)
            if (fs::is_directory(root / top))
                for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
                    const std::string ext = entry.path().extension().string();
                    if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".c"))
                        files.push_back(entry.path().lexically_relative(root).generic_string());
                }
        std::sort(files.begin(), files.end());
        int product = 0, tests = 0;
        for (const auto& f : files) {
            std::string from;
            if (f.rfind("tests/", 0) != 0) {
                ++product;
                from = libraryOf(f);
            } else {
                const std::string mirrored = f.substr(6), folder = mirrored.substr(0, mirrored.find('/'));
                const auto own = ownFolders.find(folder);
                if (own != ownFolders.end() && own->second.empty()) continue;
                ++tests;
                from = own != ownFolders.end() ? own->second : libraryOf(mirrored);
            }
            for (auto& v : check(f, testenv::readFile(root / f), from, f.rfind("tests/", 0) == 0))
                found.push_back(std::move(v));
        }
        if (filesRead) *filesRead = {product, tests};
        return found;
    }
};

}  // namespace

// On the graph the build wrote: every product include stays within what its library links; every
// test include within what the library it tests links (a test of a platform library cannot reach
// up into the application to set its case up); and dependencies point host -> application ->
// platform, so that the check cannot be satisfied by declaring a dependency the wrong way round.
TEST(Layers, TheProductAndItsTestsKeepToTheLayers) {
    const auto graph = Graph::parse(testenv::readFile(KESTROVA_LAYERS_FILE));
    ASSERT_GT(graph.folderOf.size(), 10u) << KESTROVA_LAYERS_FILE;
    // The real graph, so the checks below cannot pass on an empty one.
    EXPECT_EQ(graph.libraryOf("platform/ui/View.cpp"), "kestrova_platform_ui");
    EXPECT_EQ(graph.libraryOf("host/window/WindowHost.cpp"), "kestrova_host_window");
    EXPECT_EQ(graph.libraryOf("host/HostMain.cpp"), "kestrova_host");
    std::pair<int, int> filesRead;
    const OwnFolders own{{"e2e", "kestrova_host"}, {"support", "kestrova_platform_foundation"}, {"layers", ""}};
    for (const auto& v : graph.checkTree(KESTROVA_SOURCE_DIR, own, &filesRead)) ADD_FAILURE() << v;
    EXPECT_GT(filesRead.first, 250);
    EXPECT_GT(filesRead.second, 100);

    auto layer = [](const std::string& library) {
        if (library.rfind("kestrova_platform", 0) == 0) return 0;
        return library.rfind("kestrova_host", 0) == 0 ? 2 : 1;
    };
    for (const auto& [library, deps] : graph.dependencies)
        for (const auto& d : deps)
            EXPECT_LE(layer(d), layer(library)) << library << " links " << d << ", a library of a higher layer";
    // The window's SDL stays out of the simulated device and what it runs.
    EXPECT_FALSE(graph.reachableFrom("kestrova_host_device").count("kestrova_host_window"));
    EXPECT_FALSE(graph.reachableFrom("kestrova_platform_camera").count("kestrova_platform_ui"));
}

// The check itself finds what it must, naming file, line and edge: an include up a layer, a header
// of no library, and a test's reach past the library it tests (its own helpers are always allowed).
// (Which library of nested folders holds a file: the real graph's checks above.)
TEST(Layers, TheCheckNamesEveryCrossingInclude) {
    const auto graph = Graph::parse("low lib/low\nmid lib/mid low\n\ntop top mid\ntopsub top/sub low\n");
    using Lines = std::vector<std::string>;
    constexpr bool kProduct = false, kTest = true;
    const std::string low = "#include \"lib/low/B.h\"\n\n  #include \"lib/mid/A.h\"\n";
    EXPECT_EQ(graph.check("lib/low/B.cpp", low, "low", kProduct),
              Lines{"lib/low/B.cpp:3: #include \"lib/mid/A.h\": low (lib/low) must not include mid (lib/mid)"});
    const std::string top = "#  include \"lib/low/B.h\"\n#include <vector>\n#include \"T.h\"\n";
    EXPECT_EQ(graph.check("top/T.cpp", top, "top", kProduct),
              Lines{"top/T.cpp:3: #include \"T.h\": no library holds this header (includes are written from the "
                    "source root)"});
    const std::string test = "#include \"Fixture.h\"\n#include \"tests/help/H.h\"\n#include \"lib/mid/A.h\"\n";
    EXPECT_EQ(graph.check("tests/lib/low/BTest.cpp", test, "low", kTest),
              Lines{"tests/lib/low/BTest.cpp:3: #include \"lib/mid/A.h\": low (lib/low) must not include mid "
                    "(lib/mid)"});
}
