#pragma once
// The FRU inventory layout (Platform Management FRU Information Storage
// Definition v1.0): the common header, the chassis, board and product
// information areas, and their type/length-encoded fields. Every decoder
// stays inside the bytes it is given and reports what it found wrong.

#include "wire/type_length_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace marlek {
namespace fru {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kCommonHeaderSize = 8;
constexpr std::size_t kMultiple = 8;  // offsets and area lengths count 8-byte units

struct CommonHeader {
  std::uint8_t formatVersion = 0;
  // Byte offsets of the areas; 0 when the area is absent.
  std::size_t internalUseOffset = 0;
  std::size_t chassisOffset = 0;
  std::size_t boardOffset = 0;
  std::size_t productOffset = 0;
  std::size_t multiRecordOffset = 0;
};

// The common header, or a text saying why the image has none that can be
// trusted (short image, unknown format version, bad checksum).
struct HeaderResult {
  std::optional<CommonHeader> header;
  std::string problem;
};
HeaderResult DecodeCommonHeader(const Bytes& image);

enum class AreaKind { kChassis, kBoard, kProduct };
const char* AreaName(AreaKind kind);

// One information area cut out of the image: exactly its declared length,
// or nothing when that length does not fit. An area whose only fault is its
// checksum is kept (checksumOk false).
struct AreaSlice {
  Bytes bytes;
  bool checksumOk = false;
};
struct AreaResult {
  std::optional<AreaSlice> area;
  std::string problem;  // empty when the area is sound
};
AreaResult SliceArea(const Bytes& image, std::size_t offset, AreaKind kind);

// The information areas of one image, with every problem found on the way.
struct ImageAreas {
  std::optional<AreaSlice> chassis;
  std::optional<AreaSlice> board;
  std::optional<AreaSlice> product;
  std::vector<std::string> problems;
};
ImageAreas LocateAreas(const Bytes& image);

using FieldEncoding = TextEncoding;

// The text of one field (see DecodeTypeLengthText).
std::string DecodeFieldText(FieldEncoding encoding, const Bytes& bytes);

struct ChassisInfo {
  std::uint8_t chassisType = 0;
  std::string partNumber;
  std::string serialNumber;
  std::vector<std::string> custom;
};

struct BoardInfo {
  std::uint8_t language = 0;
  std::uint32_t mfgMinutes = 0;  // since 1996-01-01 00:00 UTC; 0 unspecified
  std::string manufacturer;
  std::string productName;
  std::string serialNumber;
  std::string partNumber;
  std::string fruFileId;
  std::vector<std::string> custom;
};

struct ProductInfo {
  std::uint8_t language = 0;
  std::string manufacturer;
  std::string name;
  std::string partNumber;
  std::string version;
  std::string serialNumber;
  std::string assetTag;
  std::string fruFileId;
  std::vector<std::string> custom;
};

// Decoders of one area's bytes (as SliceArea cut them). Fields that would
// run past the area end the decoding; what was read before stays, and the
// problem is appended to problems.
ChassisInfo DecodeChassisArea(const Bytes& area, std::vector<std::string>& problems);
BoardInfo DecodeBoardArea(const Bytes& area, std::vector<std::string>& problems);
ProductInfo DecodeProductArea(const Bytes& area, std::vector<std::string>& problems);

}  // namespace fru
}  // namespace marlek
