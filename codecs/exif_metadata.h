#pragma once
// The part of a photo's EXIF block that may travel with a reduced copy: when and with what
// it was taken, nothing about where or by whom.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brevine {

// The payload of an APP1 segment ("Exif\0\0", then a TIFF block in the source's byte
// order) holding only these tags of the source, each with its type, count and value bytes
// unchanged: DateTime, Make and Model in IFD0; DateTimeOriginal, DateTimeDigitized,
// OffsetTime, OffsetTimeOriginal, OffsetTimeDigitized, ExposureTime, FNumber,
// ISOSpeedRatings, FocalLength and LensModel in the Exif IFD; and Orientation 1, since the
// pixels it goes with are stored as they are to be seen. No GPS or interoperability IFD,
// no thumbnail (IFD1), no maker note.
//
// `tiff` starts at the TIFF header. A block whose structure is damaged (header, a
// directory or a kept tag's value outside the block, directories that overlap) gives
// nothing, as does one without any of the tags; a tag of an unexpected type or of an
// unreasonable length is left out on its own.
std::vector<std::uint8_t> SharedExifSegment(const std::uint8_t* tiff, std::size_t size);

// What a format without an EXIF block of its own (TIFF tags, a raw's metadata) knows
// about when and with what a photo was taken; empty fields are left out.
struct CameraTags {
  std::string make, model, dateTime;  // IFD0; dateTime as "YYYY:MM:DD HH:MM:SS"
  std::string dateTimeOriginal, dateTimeDigitized, lensModel;
  std::optional<double> exposureTime, fNumber, focalLength;  // seconds, ratio, millimetres
  std::optional<std::uint16_t> iso;
};

// Those tags as an EXIF block (a little-endian TIFF header, IFD0 and an Exif IFD), which
// SharedExifSegment reads as it reads a JPEG's; empty when every field is.
std::vector<std::uint8_t> ExifBlockFromTags(const CameraTags& tags);

}  // namespace brevine
