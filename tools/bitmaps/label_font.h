#pragma once
// The small proportional sans-serif of the panel's box labels: capitals 8 pixels high, descenders 2 more.

#include <cstdint>
#include <string_view>

#include "tools/bitmaps/indexed_bitmap.h"

namespace vorlat::bitmaps {

inline constexpr int LABEL_CAP_HEIGHT = 8;
inline constexpr int LABEL_DESCENT = 2;
inline constexpr int LABEL_LETTER_GAP = 1;  // blank columns between two glyphs

// Width in pixels of `text` as drawn; throws std::invalid_argument for a character the font lacks.
int labelWidth(std::string_view text);

// Draws `text` with its left edge at `left` and its capitals from row `capTop` down; only the glyphs'
// ink is painted, the rest of the pixels keep their colour.
void drawLabel(IndexedBitmap& bitmap, int left, int capTop, std::string_view text, std::uint8_t colour);

}  // namespace vorlat::bitmaps
