#pragma once
// The only fonts text is drawn with: a fontconfig configuration of our own, built once per process
// from font files of the Debian packages the project installs, with the aliases our text asks for.
// Fonts, aliases and settings of the machine or the user (FONTCONFIG_FILE, ~/.config/fontconfig)
// play no part, so a text looks and measures the same on every machine.
//
// Every family resolves to Liberation Sans (metric-compatible with Helvetica and Arial), then
// DejaVu Sans for the symbols Liberation lacks, then WenQuanYi Micro Hei for Japanese and Chinese.
#include <optional>
#include <string>
#include <vector>

typedef struct _FcConfig FcConfig;
typedef struct _PangoContext PangoContext;
typedef struct _PangoFontMap PangoFontMap;

namespace platform {

class FontLibrary {
public:
    struct FontFile {
        std::string package;  // the Debian package that installs it
        std::string path;
    };
    // The font files text is drawn with.
    static const std::vector<FontFile>& standardFiles();
    // The family every interface text uses; any other family name falls back to it.
    static constexpr const char* kInterfaceFamily = "Liberation Sans";

    // Builds a configuration holding exactly `files`. A file that cannot be read is left out and
    // named by problem().
    explicit FontLibrary(const std::vector<FontFile>& files);
    ~FontLibrary();
    FontLibrary(const FontLibrary&) = delete;
    FontLibrary& operator=(const FontLibrary&) = delete;

    // The library of the standard files, built on first use; every text of the process uses it.
    static FontLibrary& shared();

    // One line naming the first missing font file and its package; nothing when all were read.
    const std::optional<std::string>& problem() const { return problem_; }
    // The families the configuration holds, sorted and without duplicates.
    std::vector<std::string> families() const;
    // The file fontconfig picks for `family` (bold when asked), after our aliases.
    std::string fileFor(const std::string& family, bool bold = false) const;

    // A Pango context over this library, with unhinted metrics and outlines so layout does not
    // depend on the scale it is drawn at. The caller owns it (g_object_unref). Pango font maps are
    // not thread-safe, so each thread gets its own over the same configuration.
    PangoContext* createContext();

private:
    PangoFontMap* fontMapForThisThread();

    FcConfig* config_ = nullptr;
    unsigned serial_;
    std::optional<std::string> problem_;
};

}  // namespace platform
