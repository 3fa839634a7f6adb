#include "platform/graphics/FontLibrary.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>

namespace platform {
namespace {

// Aliases and fallbacks, applied to every font request. Families in the request come first; then
// the interface family, DejaVu Sans for the symbols it lacks, WenQuanYi Micro Hei for CJK. Bold
// is synthesised for faces that have no bold (the CJK one).
constexpr const char* kRules = R"(<?xml version="1.0"?>
<fontconfig>
  <alias binding="same"><family>Helvetica</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>Arial</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>sans-serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>sans</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias binding="same"><family>system-ui</family><prefer><family>Liberation Sans</family></prefer></alias>
  <match target="pattern">
    <edit name="family" mode="append_last" binding="strong">
      <string>Liberation Sans</string><string>DejaVu Sans</string><string>WenQuanYi Micro Hei</string>
    </edit>
  </match>
  <match target="font">
    <test name="weight" compare="less_eq"><const>medium</const></test>
    <test target="pattern" name="weight" compare="more_eq"><const>bold</const></test>
    <edit name="embolden" mode="assign"><bool>true</bool></edit>
    <edit name="weight" mode="assign"><const>bold</const></edit>
  </match>
</fontconfig>
)";

std::atomic<unsigned> nextSerial{1};

}  // namespace

const std::vector<FontLibrary::FontFile>& FontLibrary::standardFiles() {
    static const std::vector<FontFile> files = {
        {"fonts-liberation2", "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"},
        {"fonts-liberation2", "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"},
        {"fonts-liberation2", "/usr/share/fonts/truetype/liberation2/LiberationSans-Italic.ttf"},
        {"fonts-liberation2", "/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf"},
        {"fonts-dejavu-core", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"},
        {"fonts-dejavu-core", "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"},
        {"fonts-wqy-microhei", "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"},
    };
    return files;
}

FontLibrary::FontLibrary(const std::vector<FontFile>& files) : config_(FcConfigCreate()), serial_(nextSerial++) {
    // An empty system set: nothing is scanned but the files below.
    FcConfigBuildFonts(config_);
    for (const FontFile& f : files) {
        if (FcConfigAppFontAddFile(config_, reinterpret_cast<const FcChar8*>(f.path.c_str()))) continue;
        if (!problem_)
            problem_ = "font file " + f.path + " is missing: install the Debian package " + f.package;
    }
    FcConfigParseAndLoadFromMemory(config_, reinterpret_cast<const FcChar8*>(kRules), FcTrue);
}

FontLibrary::~FontLibrary() { FcConfigDestroy(config_); }

FontLibrary& FontLibrary::shared() {
    // Never destroyed: fonts may be in use by other threads until the very end.
    static FontLibrary* library = new FontLibrary(standardFiles());
    return *library;
}

std::vector<std::string> FontLibrary::families() const {
    std::set<std::string> names;
    for (FcSetName set : {FcSetSystem, FcSetApplication}) {
        FcFontSet* fonts = FcConfigGetFonts(config_, set);
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcChar8* family = nullptr;
            if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch)
                names.insert(reinterpret_cast<const char*>(family));
        }
    }
    return {names.begin(), names.end()};
}

std::string FontLibrary::fileFor(const std::string& family, bool bold) const {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config_, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<const char*>(path);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

PangoFontMap* FontLibrary::fontMapForThisThread() {
    // Keyed by a serial, not the address: a library made later at the same address is another.
    struct Maps {
        std::map<unsigned, PangoFontMap*> bySerial;
        ~Maps() {
            for (auto& [serial, map] : bySerial) g_object_unref(map);
        }
    };
    thread_local Maps maps;
    PangoFontMap*& map = maps.bySerial[serial_];
    if (!map) {
        map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config_);
    }
    return map;
}

PangoContext* FontLibrary::createContext() {
    PangoContext* context = pango_font_map_create_context(fontMapForThisThread());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, 72);
    // Not the locale's: a language guessed from the environment would change shaping and fallback.
    pango_context_set_language(context, pango_language_from_string("en"));
    return context;
}

}  // namespace platform
