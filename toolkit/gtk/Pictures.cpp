// The picture registry: our artwork as SVG text built into the program, the
// button pictures from the icon theme, a drawn stand-in for a missing theme
// icon, and a cache so that each picture is made once per size.
#include "Pictures.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

namespace toolkit::gtk {

namespace {

// The product logo: an open book on a deep blue to teal band, the name below.
constexpr std::string_view kLogoSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="121" height="193">
<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="#1d3557"/><stop offset="1" stop-color="#2a9d8f"/></linearGradient></defs>
<rect width="121" height="193" rx="8" fill="url(#bg)"/>
<circle cx="60.5" cy="64" r="40" fill="#ffffff" fill-opacity="0.12"/>
<path d="M60.5 48 C50 42 36 42 27 45 L27 81 C36 78 50 78 60.5 84 Z" fill="#ffffff"/>
<path d="M60.5 48 C71 42 85 42 94 45 L94 81 C85 78 71 78 60.5 84 Z" fill="#e3f2ef"/>
<path d="M60.5 48 L60.5 84" stroke="#1d3557" stroke-width="1.5"/>
<g stroke="#2a9d8f" stroke-width="1.6" stroke-linecap="round" fill="none">
<path d="M34 55 Q44 52 54 56 M34 62 Q44 59 54 63 M34 69 Q44 66 54 70"/>
<path d="M67 56 Q77 52 87 55 M67 63 Q77 59 87 62 M67 70 Q77 66 87 69"/></g>
<text x="60.5" y="126" font-family="DejaVu Sans, sans-serif" font-size="22" font-weight="bold"
 fill="#ffffff" text-anchor="middle">Zorbin</text>
<text x="60.5" y="146" font-family="DejaVu Sans, sans-serif" font-size="12" fill="#e3f2ef"
 text-anchor="middle">eBook</text>
<text x="60.5" y="161" font-family="DejaVu Sans, sans-serif" font-size="12" fill="#e3f2ef"
 text-anchor="middle">Compiler</text>
<rect x="32" y="172" width="57" height="3" rx="1.5" fill="#f4a261"/>
</svg>)svg";

// The banner: the product name on a warm-to-teal band with a small book.
constexpr std::string_view kBannerSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="361" height="65">
<defs><linearGradient id="b" x1="0" y1="0" x2="1" y2="0">
<stop offset="0" stop-color="#e76f51"/><stop offset="0.45" stop-color="#f4a261"/>
<stop offset="1" stop-color="#2a9d8f"/></linearGradient></defs>
<rect width="361" height="65" rx="6" fill="url(#b)"/>
<path d="M0 52 Q90 34 180 50 T361 42 L361 59 Q361 65 355 65 L6 65 Q0 65 0 59 Z" fill="#ffffff" fill-opacity="0.18"/>
<path d="M35 20 C29 16 21 16 15 18 L15 44 C21 42 29 42 35 46 Z" fill="#ffffff"/>
<path d="M35 20 C41 16 49 16 55 18 L55 44 C49 42 41 42 35 46 Z" fill="#fdf1e8"/>
<path d="M35 20 L35 46" stroke="#e76f51" stroke-width="1.2"/>
<text x="66" y="38" font-family="DejaVu Sans, sans-serif" font-size="21" font-weight="bold"
 fill="#ffffff">Zorbin eBook Compiler</text>
<text x="67" y="54" font-family="DejaVu Sans, sans-serif" font-size="10" fill="#ffffff"
 fill-opacity="0.92">Your web pages, bound into one book</text>
</svg>)svg";

// The About page's art: a stack of books with an open one on top.
constexpr std::string_view kAboutArtSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="140">
<ellipse cx="100" cy="129" rx="82" ry="7" fill="#000000" fill-opacity="0.10"/>
<rect x="30" y="102" width="140" height="24" rx="3" fill="#1d3557"/>
<rect x="30" y="107" width="140" height="3" fill="#f4a261"/>
<rect x="44" y="79" width="118" height="23" rx="3" fill="#2a9d8f"/>
<rect x="150" y="79" width="6" height="23" fill="#e3f2ef"/>
<rect x="36" y="57" width="124" height="22" rx="3" fill="#e76f51"/>
<rect x="42" y="62" width="40" height="3" rx="1.5" fill="#fdf1e8"/>
<path d="M98 42 C86 34 70 34 60 38 L60 56 C70 53 86 53 98 58 Z" fill="#ffffff" stroke="#1d3557" stroke-width="1.2"/>
<path d="M98 42 C110 34 126 34 136 38 L136 56 C126 53 110 53 98 58 Z" fill="#f4f8f7" stroke="#1d3557" stroke-width="1.2"/>
<g fill="#f4a261"><path d="M150 14 l3 8 8 3 -8 3 -3 8 -3 -8 -8 -3 8 -3 Z"/>
<path d="M40 24 l2 5 5 2 -5 2 -2 5 -2 -5 -5 -2 5 -2 Z"/></g>
<circle cx="170" cy="44" r="3" fill="#2a9d8f"/>
</svg>)svg";

// The compile button: a book on a green disc.
constexpr std::string_view kCompileSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64">
<defs><linearGradient id="c" x1="0" y1="0" x2="0" y2="1">
<stop offset="0" stop-color="#52b788"/><stop offset="1" stop-color="#2d6a4f"/></linearGradient></defs>
<circle cx="32" cy="32" r="29" fill="url(#c)" stroke="#1b4332" stroke-width="2"/>
<path d="M32 22 C26 18 19 18 14 20 L14 43 C19 41 26 41 32 45 Z" fill="#ffffff"/>
<path d="M32 22 C38 18 45 18 50 20 L50 43 C45 41 38 41 32 45 Z" fill="#e3f2ef"/>
<path d="M32 22 L32 45" stroke="#1b4332" stroke-width="1.2"/>
<path d="M44 8 l2 5 5 2 -5 2 -2 5 -2 -5 -5 -2 5 -2 Z" fill="#f4a261"/>
</svg>)svg";

// The viewer's banner: a credit for the compiler on the same warm-to-teal band.
constexpr std::string_view kViewerBannerSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="48">
<defs><linearGradient id="v" x1="0" y1="0" x2="1" y2="0">
<stop offset="0" stop-color="#e76f51"/><stop offset="0.5" stop-color="#f4a261"/>
<stop offset="1" stop-color="#2a9d8f"/></linearGradient></defs>
<rect width="200" height="48" rx="5" fill="url(#v)"/>
<path d="M24 14 C19 11 13 11 9 12.5 L9 33 C13 31.5 19 31.5 24 34.5 Z" fill="#ffffff"/>
<path d="M24 14 C29 11 35 11 39 12.5 L39 33 C35 31.5 29 31.5 24 34.5 Z" fill="#fdf1e8"/>
<path d="M24 14 L24 34.5" stroke="#e76f51" stroke-width="1"/>
<text x="48" y="21" font-family="DejaVu Sans, sans-serif" font-size="10" fill="#ffffff">made with</text>
<text x="48" y="36" font-family="DejaVu Sans, sans-serif" font-size="11" font-weight="bold"
 fill="#ffffff">Zorbin eBook Compiler</text>
</svg>)svg";

// The viewer's Exit button carries no caption: its picture is the word.
constexpr std::string_view kExitWordSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="25">
<text x="20" y="19" font-family="DejaVu Sans, sans-serif" font-size="17" font-weight="bold"
 fill="#d62828" text-anchor="middle">Exit</text>
</svg>)svg";

// The viewer's contents control: a page of indented lines beside a tree's rule.
constexpr std::string_view kContentsSvg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24">
<rect x="2.5" y="2.5" width="19" height="19" rx="2" fill="#ffffff" stroke="#1d3557"/>
<path d="M6 7 H18 M9 11 H18 M9 15 H18 M6 19 H14" stroke="#2a9d8f" stroke-width="1.8" stroke-linecap="round"/>
<path d="M6.5 9 V15" stroke="#1d3557" stroke-width="1"/>
</svg>)svg";

struct Artwork {
    const char* id;
    std::string_view svg;
};
constexpr Artwork kArtwork[] = {
    {"logo", kLogoSvg},       {"banner", kBannerSvg},          {"about-art", kAboutArtSvg},
    {"compile", kCompileSvg}, {"viewer-banner", kViewerBannerSvg}, {"exit-word", kExitWordSvg},
    {"contents", kContentsSvg}};

struct ThemeIcon {
    const char* id;
    const char* iconName;
};
constexpr ThemeIcon kThemeIcons[] = {
    {"new", "document-new"},       {"open", "document-open"},
    {"save", "document-save"},     {"exit", "application-exit"},
    {"back", "go-previous"},       {"next", "go-next"},
    {"reload", "view-refresh"},    {"home", "go-home"},
    {"stop", "process-stop"},      {"search", "edit-find"},
    {"print", "document-print"},   {"about", "help-about"},
    {"web", "applications-internet"}, {"email", "mail-send"},
};
constexpr int kIconSize = 24;

GdkPixbuf* LoadSvg(std::string_view svg, int size) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("svg", nullptr);
    if (!loader) return nullptr;
    if (size > 0) {
        g_signal_connect(loader, "size-prepared",
                         G_CALLBACK(+[](GdkPixbufLoader* l, int w, int h, gpointer data) {
                             const double target = GPOINTER_TO_INT(data);
                             const double scale = target / std::max(w, h);
                             gdk_pixbuf_loader_set_size(l, std::max(1, static_cast<int>(std::lround(w * scale))),
                                                        std::max(1, static_cast<int>(std::lround(h * scale))));
                         }),
                         GINT_TO_POINTER(size));
    }
    GdkPixbuf* pixbuf = nullptr;
    const bool written = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(svg.data()), svg.size(), nullptr);
    if (gdk_pixbuf_loader_close(loader, nullptr) && written) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf) g_object_ref(pixbuf);
    }
    g_object_unref(loader);
    return pixbuf;
}

// A stand-in for a theme icon that is missing: the id's initial on a rounded tile.
GdkPixbuf* DrawStandIn(const std::string& id, int size) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    const double r = size / 5.0, s = size;
    cairo_new_sub_path(cr);
    cairo_arc(cr, s - r, r, r, -G_PI / 2, 0);
    cairo_arc(cr, s - r, s - r, r, 0, G_PI / 2);
    cairo_arc(cr, r, s - r, r, G_PI / 2, G_PI);
    cairo_arc(cr, r, r, r, G_PI, 3 * G_PI / 2);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.16, 0.42, 0.56);
    cairo_fill(cr);
    const std::string initial(1, static_cast<char>(g_ascii_toupper(id.empty() ? '?' : id[0])));
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, s * 0.6);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, initial.c_str(), &ext);
    cairo_move_to(cr, (s - ext.width) / 2 - ext.x_bearing, (s - ext.height) / 2 - ext.y_bearing);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_show_text(cr, initial.c_str());
    cairo_destroy(cr);
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_surface(surface, 0, 0, size, size);
    cairo_surface_destroy(surface);
    return pixbuf;
}

GdkPixbuf* LoadThemeIcon(const ThemeIcon& icon, int size) {
    if (size <= 0) size = kIconSize;
    GdkPixbuf* pixbuf = nullptr;
    if (GtkIconTheme* theme = gtk_icon_theme_get_default())
        pixbuf = gtk_icon_theme_load_icon(theme, icon.iconName, size, GTK_ICON_LOOKUP_FORCE_SIZE, nullptr);
    return pixbuf ? pixbuf : DrawStandIn(icon.id, size);
}

GdkPixbuf* Make(const std::string& id, int size) {
    for (const Artwork& art : kArtwork)
        if (id == art.id) return LoadSvg(art.svg, size);
    for (const ThemeIcon& icon : kThemeIcons)
        if (id == icon.id) return LoadThemeIcon(icon, size);
    return nullptr;
}

}  // namespace

GdkPixbuf* Picture(const std::string& id, int size) {
    static std::map<std::pair<std::string, int>, GdkPixbuf*> cache;
    if (id.empty()) return nullptr;
    auto key = std::make_pair(id, std::max(size, 0));
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    GdkPixbuf* pixbuf = Make(id, key.second);
    cache.emplace(std::move(key), pixbuf);
    return pixbuf;
}

int ButtonPictureSize(const std::string& id) {
    if (id == "compile") return 64;
    if (id == "exit-word") return 40;
    return kIconSize;
}

}  // namespace toolkit::gtk
