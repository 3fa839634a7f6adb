#pragma once
// The product's libraries as the build declares them (layers.txt in the build folder: one line
// "library folder dependency..." each, "-" for a library made only of others) and the check of
// every quoted #include against them. A file belongs to the library of the deepest folder that
// holds it; it may include its own library's headers and those of every library its library
// links, directly or through another.
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace layers {

struct IncludeViolation {
    std::string file;     // relative to the source root
    int line = 0;
    std::string include;  // as written between the quotes; empty for the file itself
    std::string reason;

    // "file:line: #include \"x\": reason"; "file:1: reason" for a file outside every library.
    std::string describe() const;
};

class IncludeGraph {
public:
    // Null, with `error` set, for a malformed line or a dependency that is not a library.
    static std::optional<IncludeGraph> parse(const std::string& text, std::string* error);

    // The library of the deepest folder holding `path` (relative, '/'-separated); empty for none.
    std::string libraryOf(const std::string& path) const;
    // The libraries `library` may include from: itself and all it links, directly or not.
    std::set<std::string> reachableFrom(const std::string& library) const;
    std::vector<std::string> libraries() const;
    // What `library` links itself.
    std::vector<std::string> dependenciesOf(const std::string& library) const;

    // The quoted includes of one file (`path` relative to the root) that cross the graph.
    std::vector<IncludeViolation> checkFile(const std::string& path, const std::string& contents) const;
    // Every .h, .cpp and .c below the top folders of the libraries under `root`; `filesRead`
    // counts them.
    std::vector<IncludeViolation> checkTree(const std::filesystem::path& root, int* filesRead = nullptr) const;
    // Every source below `root`/tests: a test is held to the library of the source it mirrors
    // (tests/ui/info/X.cpp to that of ui/info/X.cpp), or, in a folder of its own, to the one
    // `ownFolders` names for it (an empty name: not checked). Headers of the tests themselves
    // ("tests/...", or beside the file) are always allowed.
    std::vector<IncludeViolation> checkTests(const std::filesystem::path& root,
                                             const std::map<std::string, std::string>& ownFolders,
                                             int* filesRead = nullptr) const;

private:
    std::vector<IncludeViolation> checkIncludes(const std::string& path, const std::string& contents,
                                                const std::string& from, bool testSource) const;

    std::map<std::string, std::string> folderOf_;                   // library -> folder ("" for none)
    std::map<std::string, std::vector<std::string>> dependencies_;  // library -> what it links
};

}  // namespace layers
