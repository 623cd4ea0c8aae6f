#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmor::testing {

// A TIFF-structured EXIF block (no "Exif\0\0" prefix) whose first directory
// holds one entry: the orientation, as a SHORT.
std::vector<uint8_t> ExifBlock(int orientation, bool bigEndian);

// `png` with a chunk of `type` and `data` (checksum right) right after IHDR.
std::vector<uint8_t> InsertPngChunk(const std::vector<uint8_t>& png, const char* type,
                                    const std::vector<uint8_t>& data);

// The data of an iCCP chunk holding `profile`.
std::vector<uint8_t> IccpChunkData(const std::vector<uint8_t>& profile);

// `jpeg` with a marker segment (APPn and the like) right after SOI.
std::vector<uint8_t> InsertJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                       const std::vector<uint8_t>& payload);

// `jpeg` with `profile` in APP2 ICC_PROFILE segments, split into `pieces`
// segments as large profiles are (or more, when a piece would not fit).
std::vector<uint8_t> InsertJpegIccProfile(const std::vector<uint8_t>& jpeg,
                                          const std::vector<uint8_t>& profile, int pieces);

}  // namespace zelmor::testing
