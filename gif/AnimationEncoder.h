// Animated GIF89a writer: a local colour table and LZW-compressed image data per frame, with the pixels
// that did not change since the previous frame written as the transparent index 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

//! The state of one file being written. A default-constructed encoder is closed.
struct AnimationEncoder
{
	//! The file being written; null before openAnimation succeeds and after closeAnimation.
	FILE* Output = nullptr;
	//! The previous frame as written, 4 bytes per pixel: the colour of its table entry, then its index.
	//! Allocated (malloc) by openAnimation, released by closeAnimation.
	uint8_t* PreviousFrame = nullptr;
	//! True until the first frame has been added.
	bool IsFirstFrame = true;
	//! The size given to openAnimation; every frame must have it.
	uint32_t Width = 0;
	uint32_t Height = 0;
	//! The name the file was opened under, to remove it if it could not be written completely.
	std::string FileName;
};

// Frames are width x height pixels in row order, top row first, 4 bytes each: red, green, blue, alpha
// (alpha is ignored). Delays are in hundredths of a second and written as their low 16 bits; depth is the
// number of bits per colour index, 1 to 8.

//! Creates or replaces the file and writes the file header; a delay other than 0 makes the animation loop
//! forever. Fails, writing no file, if the encoder is already open, the size is 0 or above 65535, the
//! previous-frame buffer cannot be allocated or the file cannot be opened. depth and dither are not used.
bool openAnimation(AnimationEncoder* encoder, const char* fileName, uint32_t width, uint32_t height,
	uint32_t delay, int32_t depth, bool dither);

//! As openAnimation, on a file the caller has created and opened for binary writing; the encoder
//! owns it from then on. On failure the file is left open and the caller's.
bool openAnimationFile(AnimationEncoder* encoder, FILE* file, const char* fileName, uint32_t width, uint32_t height,
	uint32_t delay);

//! Quantises, maps and writes one frame. Fails, writing nothing and leaving the encoder as it was, if the
//! encoder is not open, the size differs from openAnimation's, depth is outside 1 to 8 or a buffer
//! cannot be allocated. Also returns false once a write to the file has failed.
bool addFrame(AnimationEncoder* encoder, const uint8_t* frame, uint32_t width, uint32_t height, uint32_t delay,
	int32_t depth, bool dither);

//! Writes count pixels given as 32-bit words (alpha, red, green, blue from the most significant byte
//! down, as engines keep images) into frame bytes red, green, blue, 255.
void argbToFrame(const uint32_t* argb, uint8_t* frame, size_t count);

//! Writes the trailer, closes the file and releases the buffers. Returns false if the encoder was not
//! open, or if any write failed; the incomplete file is then removed (if it is a regular file).
bool closeAnimation(AnimationEncoder* encoder);
