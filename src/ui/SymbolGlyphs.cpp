#include "SymbolGlyphs.h"

#include <array>
#include <utility>

namespace quelvio::SymbolGlyphs {

namespace {

// Code points of the Material Icons font (its names in the comments).
constexpr std::array<std::pair<QStringView, char16_t>, 32> table{{
    {u"bag", 0xf1cc},                                // shopping_bag
    {u"star", 0xe83a},                               // star_border
    {u"star.fill", 0xe838},                          // star
    {u"externaldrive", 0xe1db},                      // storage
    {u"person.crop.circle", 0xe853},                 // account_circle
    {u"dot.radiowaves.left.and.right", 0xe51e},      // sensors
    {u"arrow.up.left.and.arrow.down.right", 0xf1ce}, // open_in_full
    {u"gearshape", 0xe8b8},                          // settings
    {u"magnifyingglass", 0xe8b6},                    // search
    {u"xmark.circle.fill", 0xe5c9},                  // cancel
    {u"xmark", 0xe5cd},                              // close
    {u"wifi.slash", 0xe648},                         // wifi_off
    {u"flame.fill", 0xef55},                         // local_fire_department
    {u"hand.thumbsdown", 0xe9f2},                    // thumb_down_off_alt
    {u"hand.thumbsdown.fill", 0xe8db},               // thumb_down
    {u"arrow.clockwise", 0xe5d5},                    // refresh
    {u"arrow.up.right", 0xf1e1},                     // north_east
    {u"chevron.left", 0xe314},                       // keyboard_arrow_left
    {u"arrow.left", 0xe5c4},                         // arrow_back
    {u"safari", 0xe89e},                             // open_in_new
    {u"exclamationmark.triangle", 0xe001},           // error_outline
    {u"person", 0xe7fd},                             // person
    {u"chart.line.downtrend.xyaxis", 0xe8e3},        // trending_down
    {u"shippingbox", 0xe1a1},                        // inventory_2
    {u"checkmark", 0xe5ca},                          // check
    {u"plus", 0xe145},                               // add
    {u"key", 0xe0da},                                // vpn_key
    {u"doc.on.clipboard", 0xe14f},                   // content_paste
    {u"power", 0xe8ac},                              // power_settings_new
    {u"crown", 0xef76},                              // verified
    {u"checkmark.circle.fill", 0xe86c},              // check_circle
    {u"circle", 0xe836},                             // radio_button_unchecked
}};

} // namespace

QString glyph(QStringView symbolName) {
    for (const auto& [name, codePoint] : table)
        if (name == symbolName)
            return QString(QChar(codePoint));
    return {};
}

} // namespace quelvio::SymbolGlyphs
