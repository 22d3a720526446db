// The program's picture files: checked before the engine reads them, since the engine's
// loaders trust a file's header (a BMP header that claims more pixels than the file holds
// crashes the BMP loader; a huge PNG takes minutes to decode).
#pragma once
#include <irrlicht.h>

#include <string>

//! The font and the nine images read from the working directory at start-up.
extern const char* const ASSET_FILES[10];
//! Largest width and height of a picture the program reads, in pixels.
const irr::u32 ASSET_MAX_SIDE = 4096;

//! What is wrong with the picture file at path ("missing", a header that does not fit the
//! file, too many pixels), as a phrase; empty when its header is sound. Reads the header only.
std::string assetProblem(const char* path);
//! Writes one line to standard error for each asset file that is missing or bad.
void reportAssetProblems();
//! The engine's font from the file name, or null when the file is missing or bad.
irr::gui::IGUIFont* loadFont(irr::gui::IGUIEnvironment* environment, const char* name);
//! The engine's texture from the file name, or null when the file is missing or bad.
irr::video::ITexture* loadTexture(irr::video::IVideoDriver* driver, const char* name);
