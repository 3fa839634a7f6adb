#include "IncludeGraph.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace layers {

std::string IncludeViolation::describe() const {
    if (include.empty()) return file + ":" + std::to_string(line) + ": " + reason;
    return file + ":" + std::to_string(line) + ": #include \"" + include + "\": " + reason;
}

std::optional<IncludeGraph> IncludeGraph::parse(const std::string& text, std::string* error) {
    IncludeGraph graph;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream fields(line);
        std::string library, folder, dependency;
        if (!(fields >> library)) continue;  // blank
        if (!(fields >> folder)) {
            *error = "line " + std::to_string(number) + ": no folder for " + library;
            return std::nullopt;
        }
        graph.folderOf_[library] = folder == "-" ? "" : folder;
        auto& deps = graph.dependencies_[library];
        while (fields >> dependency) deps.push_back(dependency);
    }
    for (const auto& [library, deps] : graph.dependencies_)
        for (const auto& d : deps)
            if (!graph.folderOf_.count(d)) {
                *error = library + " links " + d + ", which is not a library of the graph";
                return std::nullopt;
            }
    return graph;
}

std::string IncludeGraph::libraryOf(const std::string& path) const {
    std::string best;
    size_t bestLength = 0;
    for (const auto& [library, folder] : folderOf_) {
        if (folder.empty() || folder.size() < bestLength) continue;
        if (path.compare(0, folder.size() + 1, folder + "/") == 0) {
            best = library;
            bestLength = folder.size();
        }
    }
    return best;
}

std::set<std::string> IncludeGraph::reachableFrom(const std::string& library) const {
    std::set<std::string> seen{library};
    std::vector<std::string> todo{library};
    while (!todo.empty()) {
        const std::string next = todo.back();
        todo.pop_back();
        auto it = dependencies_.find(next);
        if (it == dependencies_.end()) continue;
        for (const auto& d : it->second)
            if (seen.insert(d).second) todo.push_back(d);
    }
    return seen;
}

std::vector<std::string> IncludeGraph::libraries() const {
    std::vector<std::string> names;
    for (const auto& entry : folderOf_) names.push_back(entry.first);
    return names;
}

std::vector<std::string> IncludeGraph::dependenciesOf(const std::string& library) const {
    auto it = dependencies_.find(library);
    return it != dependencies_.end() ? it->second : std::vector<std::string>{};
}

std::vector<IncludeViolation> IncludeGraph::checkFile(const std::string& path, const std::string& contents) const {
    const std::string from = libraryOf(path);
    if (from.empty()) return {{path, 1, "", "the file belongs to no library"}};
    return checkIncludes(path, contents, from, false);
}

std::vector<IncludeViolation> IncludeGraph::checkIncludes(const std::string& path, const std::string& contents,
                                                          const std::string& from, bool testSource) const {
    static const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]*)")re");
    std::vector<IncludeViolation> found;
    const std::set<std::string> allowed = reachableFrom(from);
    std::istringstream lines(contents);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::smatch m;
        if (!std::regex_search(line, m, includeLine)) continue;
        const std::string include = m[1];
        if (testSource && (include.rfind("tests/", 0) == 0 || include.find('/') == std::string::npos)) continue;
        const std::string to = libraryOf(include);
        std::string reason;
        if (to.empty()) {
            reason = "no library holds this header (includes are written from the source root)";
        } else if (!allowed.count(to)) {
            std::string may;
            for (const auto& a : allowed) may += (may.empty() ? "" : ", ") + a;
            reason = from + " (" + folderOf_.at(from) + ") must not include " + to + " (" + folderOf_.at(to) +
                     "); it may include " + may;
        }
        if (!reason.empty()) found.push_back({path, number, include, reason});
    }
    return found;
}

std::vector<IncludeViolation> IncludeGraph::checkTree(const std::filesystem::path& root, int* filesRead) const {
    namespace fs = std::filesystem;
    std::set<std::string> tops;
    for (const auto& [library, folder] : folderOf_)
        if (!folder.empty()) tops.insert(folder.substr(0, folder.find('/')));
    std::vector<std::string> files;
    for (const auto& top : tops) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".c"))
                files.push_back(entry.path().lexically_relative(root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<IncludeViolation> found;
    for (const auto& f : files) {
        std::ifstream in(root / f, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        for (auto& v : checkFile(f, text.str())) found.push_back(std::move(v));
    }
    if (filesRead) *filesRead = int(files.size());
    return found;
}

std::vector<IncludeViolation> IncludeGraph::checkTests(const std::filesystem::path& root,
                                                     const std::map<std::string, std::string>& ownFolders,
                                                     int* filesRead) const {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    if (fs::is_directory(root / "tests"))
        for (const auto& entry : fs::recursive_directory_iterator(root / "tests")) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".c"))
                files.push_back(entry.path().lexically_relative(root).generic_string());
        }
    std::sort(files.begin(), files.end());
    std::vector<IncludeViolation> found;
    int read = 0;
    for (const auto& f : files) {
        const std::string mirrored = f.substr(std::string("tests/").size());
        const std::string folder = mirrored.substr(0, mirrored.find('/'));
        std::string from;
        if (auto own = ownFolders.find(folder); own != ownFolders.end()) {
            if (own->second.empty()) continue;
            from = own->second;
        } else {
            from = libraryOf(mirrored);
        }
        ++read;
        if (from.empty()) {
            found.push_back({f, 1, "", "the test mirrors no library's folder"});
            continue;
        }
        std::ifstream in(root / f, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        for (auto& v : checkIncludes(f, text.str(), from, true)) found.push_back(std::move(v));
    }
    if (filesRead) *filesRead = read;
    return found;
}

}  // namespace layers
