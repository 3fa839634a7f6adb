// `make package`'s Debian package (what `make install` installs, packed) unpacked into a scratch
// root: the files land where a Linux desktop looks for them, the desktop entry and the
// software-centre metadata pass their validators, and the installed program, run from there,
// finds its own bundle and takes a picture.
#include "app/KestrovaAppDelegate.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

namespace {

namespace fs = std::filesystem;
using testenv::run;
using testenv::shellQuote;

fs::path buildDir() { return fs::path(testenv::kestrovaBinary()).parent_path(); }

// Runs the program installed under `prefix` headless: one tap on the shutter area.
void takesAPicture(const fs::path& prefix, const testenv::ScratchDir& dir) {
    testenv::writeFile(dir / "shot.script", "wait 2\ntap @snapButton\nwait 2\nquit\n");
    auto r = run(shellQuote((prefix / "bin/kestrova").string()) + " --headless --device-root " +
                 shellQuote((dir / "device").string()) + " --script " + shellQuote((dir / "shot.script").string()));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir / "device/var/mobile/Media/DCIM/100APPLE/IMG_0001.JPG")) << r.out;
    auto version = run(shellQuote((prefix / "bin/kestrova").string()) + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kestrova 2.1\n");
}

// The desktop's files under `prefix`: where they belong, valid, and true to the program.
void desktopFilesAreValid(const fs::path& prefix) {
    const fs::path entry = prefix / "share/applications/org.kestrova.camera.desktop";
    const fs::path metainfo = prefix / "share/metainfo/org.kestrova.camera.metainfo.xml";
    ASSERT_TRUE(fs::is_regular_file(entry));
    ASSERT_TRUE(fs::is_regular_file(metainfo));
    const std::string desktop = testenv::readFile(entry);
    EXPECT_NE(desktop.find("\nExec=kestrova\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("\nIcon=kestrova\n"), std::string::npos) << desktop;
    // Docks match the window to the entry by the window's class.
    EXPECT_NE(desktop.find("\nStartupWMClass=org.kestrova.camera\n"), std::string::npos) << desktop;
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/icons/hicolor/scalable/apps/kestrova.svg"));
    EXPECT_EQ(testenv::pngSize(prefix / "share/icons/hicolor/256x256/apps/kestrova.png"),
              (std::pair<uint32_t, uint32_t>{256, 256}));

    // The metadata launches this entry and names the program's own version and the about sheet's
    // home page.
    const std::string xml = testenv::readFile(metainfo);
    EXPECT_NE(xml.find("<launchable type=\"desktop-id\">org.kestrova.camera.desktop</launchable>"), std::string::npos);
    EXPECT_NE(xml.find("<release version=\"2.1\""), std::string::npos);
    EXPECT_NE(xml.find(std::string("<url type=\"homepage\">") + kestrova::KestrovaAppDelegate::kWebsite + "</url>"),
              std::string::npos);

    if (auto m = testenv::missingProgram("desktop-file-validate appstreamcli"); !m.empty())
        GTEST_SKIP() << m << " is not installed (make deps)";
    auto d = run("desktop-file-validate " + shellQuote(entry.string()));
    EXPECT_EQ(d.status, 0) << d.out;
    EXPECT_EQ(d.out, "") << "hints and warnings count too";
    auto a = run("appstreamcli validate --no-net --pedantic " + shellQuote(metainfo.string()));
    EXPECT_EQ(a.status, 0) << a.out;
    EXPECT_NE(a.out.find("Validation was successful"), std::string::npos) << a.out;
    EXPECT_EQ(a.out.find("W:"), std::string::npos) << a.out;
    EXPECT_EQ(a.out.find("I:"), std::string::npos) << a.out;
}

// The manual page under `prefix` reads without groff warnings and names every option --help does.
void manualPageCoversTheOptions(const fs::path& prefix) {
    const fs::path page = prefix / "share/man/man1/kestrova.1.gz";
    ASSERT_TRUE(fs::is_regular_file(page));
    auto warnings = run("zcat " + shellQuote(page.string()) + " | groff -man -ww -z");
    EXPECT_EQ(warnings.status, 0) << warnings.out;
    EXPECT_EQ(warnings.out, "");
    auto text = run("zcat " + shellQuote(page.string()) + " | groff -man -Tutf8 -P-cbou");
    ASSERT_EQ(text.status, 0) << text.out;
    auto help = run(shellQuote((prefix / "bin/kestrova").string()) + " --help");
    ASSERT_EQ(help.status, 0) << help.out;
    EXPECT_EQ(help.out.rfind("usage: kestrova", 0), 0u) << help.out;
    std::set<std::string> options;
    const std::regex option("--[a-z][a-z-]+");
    for (auto it = std::sregex_iterator(help.out.begin(), help.out.end(), option); it != std::sregex_iterator(); ++it)
        options.insert(it->str());
    EXPECT_GE(options.size(), 12u) << help.out;
    // groff may print a hyphen as U+2010 in UTF-8; read it as ASCII.
    std::string plain = std::regex_replace(text.out, std::regex("\xE2\x80\x90"), "-");
    for (const auto& o : options) EXPECT_NE(plain.find(o), std::string::npos) << o << " is not in the manual page";
    for (const char* section : {"INPUT SCRIPTS", "EVENT LOG", "FILES", "DCIM"})
        EXPECT_NE(plain.find(section), std::string::npos) << section;
}

TEST(Install, DebianPackageDeclaresItsNeedsAndRunsWhereItIsUnpacked) {
    if (auto m = testenv::missingProgram("cpack dpkg-deb dpkg-shlibdeps"); !m.empty())
        GTEST_SKIP() << m << " is not installed (make deps)";
    testenv::ScratchDir dir;
    // What `make package` runs, with the package made in the scratch folder.
    auto made = run("cpack -G DEB -B " + shellQuote((dir / "out").string()) + " --config " +
                    shellQuote((buildDir() / "CPackConfig.cmake").string()));
    ASSERT_EQ(made.status, 0) << made.out;
    std::string deb;
    for (const auto& e : fs::directory_iterator(dir / "out"))
        if (e.path().extension() == ".deb") deb = e.path().string();
    ASSERT_FALSE(deb.empty()) << made.out;
    EXPECT_NE(deb.find("kestrova_2.1_"), std::string::npos) << deb;

    // The libraries it links and the fonts it draws with.
    auto depends = run("dpkg-deb -f " + shellQuote(deb) + " Depends");
    ASSERT_EQ(depends.status, 0) << depends.out;
    for (const char* p : {"libsdl2-2.0-0", "libcairo2", "libpango-1.0-0", "libjpeg62-turbo", "libexif12", "libplist3",
                          "libgps", "libv4l-0", "libyuv0", "fonts-dejavu-core", "fonts-liberation2",
                          "fonts-wqy-microhei"})
        EXPECT_NE(depends.out.find(p), std::string::npos) << p << " missing from: " << depends.out;
    EXPECT_EQ(run("dpkg-deb -f " + shellQuote(deb) + " Package").out, "kestrova\n");
    EXPECT_EQ(run("dpkg-deb -f " + shellQuote(deb) + " Version").out, "2.1\n");
    EXPECT_EQ(run("dpkg-deb -f " + shellQuote(deb) + " Homepage").out,
              std::string(kestrova::KestrovaAppDelegate::kWebsite) + "\n");

    const fs::path root = dir / "root";
    auto unpacked = run("dpkg-deb -x " + shellQuote(deb) + " " + shellQuote(root.string()));
    ASSERT_EQ(unpacked.status, 0) << unpacked.out;
    const fs::path usr = root / "usr";
    EXPECT_TRUE(fs::is_regular_file(usr / "share/kestrova/Info.plist"));
    manualPageCoversTheOptions(usr);
    takesAPicture(usr, dir);
    desktopFilesAreValid(usr);

    // Debian's own checker: no error and no warning (notes and hints are not faults).
    if (!testenv::missingProgram("lintian").empty()) GTEST_SKIP() << "lintian is not installed (make deps)";
    auto lint = run("lintian --tag-display-limit 0 " + shellQuote(deb) + " 2>&1");
    EXPECT_EQ(lint.status, 0) << lint.out;
    std::smatch faults;
    EXPECT_FALSE(std::regex_search(lint.out, faults, std::regex("(^|\n)[EW]: [^\n]*"))) << lint.out;
}

}  // namespace
