#pragma once
// The six panel pictures: the background with its box grid and labels, and the icon images.

#include "tools/bitmaps/indexed_bitmap.h"

namespace vorlat::bitmaps {

IndexedBitmap backgroundPicture();  // resource 4096
IndexedBitmap recordOnPicture();    // resource 8192: green triangle
IndexedBitmap recordOffPicture();   // resource 8195: red triangle
IndexedBitmap pauseOnPicture();     // resource 8448: green bars
IndexedBitmap pauseOffPicture();    // resource 8451: red bars
IndexedBitmap stallPicture();       // resource 8704: red disc

}  // namespace vorlat::bitmaps
