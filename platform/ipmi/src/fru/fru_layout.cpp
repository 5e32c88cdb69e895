#include "fru/fru_layout.h"

#include "wire/payload.h"

#include <numeric>

namespace marlek {
namespace fru {
namespace {

constexpr std::uint8_t kFormatVersion = 0x01;
constexpr std::uint8_t kEndOfFields = 0xc1;
constexpr std::size_t kAreaHeaderSize = 2;  // format version, length

bool ZeroChecksum(const std::uint8_t* bytes, std::size_t size) {
  return std::accumulate(bytes, bytes + size, 0u) % 256 == 0;
}

// Reads the type/length fields of an area, in order, up to the end marker.
class FieldReader {
 public:
  FieldReader(PayloadReader& in, AreaKind kind, std::vector<std::string>& problems)
      : in_(in), kind_(kind), problems_(problems) {}

  // The next field's text; nothing at the end marker or when the field does
  // not fit (then no later field is read).
  std::optional<std::string> Next() {
    if (done_)
      return std::nullopt;
    if (in_.AtEnd()) {
      Stop("has no end-of-fields marker");
      return std::nullopt;
    }
    const std::uint8_t typeLength = in_.U8();
    if (typeLength == kEndOfFields) {
      done_ = true;
      return std::nullopt;
    }
    const std::size_t length = typeLength & 0x3f;
    if (length > in_.Remaining()) {
      Stop("has a field that runs past the end of the area");
      return std::nullopt;
    }
    const Bytes bytes = in_.Bytes(length);
    return DecodeFieldText(TypeLengthEncoding(typeLength), bytes);
  }

  std::string NextOrEmpty() { return Next().value_or(std::string()); }

  std::vector<std::string> Rest() {
    std::vector<std::string> fields;
    while (std::optional<std::string> field = Next())
      fields.push_back(std::move(*field));
    return fields;
  }

 private:
  void Stop(const char* why) {
    done_ = true;
    problems_.push_back(std::string(AreaName(kind_)) + " area " + why);
  }

  PayloadReader& in_;
  AreaKind kind_;
  std::vector<std::string>& problems_;
  bool done_ = false;
};

// The area's bytes without its checksum byte, past the version and length.
PayloadReader AreaBody(const Bytes& area) {
  const std::size_t usable = area.empty() ? 0 : area.size() - 1;
  PayloadReader in(area.data(), usable, "FRU area");
  in.Skip(std::min(kAreaHeaderSize, usable));
  return in;
}

}  // namespace

const char* AreaName(AreaKind kind) {
  switch (kind) {
    case AreaKind::kChassis:
      return "chassis";
    case AreaKind::kBoard:
      return "board";
    case AreaKind::kProduct:
      return "product";
  }
  return "unknown";
}

HeaderResult DecodeCommonHeader(const Bytes& image) {
  HeaderResult result;
  if (image.size() < kCommonHeaderSize) {
    result.problem =
        "FRU data is shorter than the common header (" + std::to_string(image.size()) + " bytes)";
    return result;
  }
  PayloadReader in(image.data(), kCommonHeaderSize, "FRU common header");
  CommonHeader header;
  header.formatVersion = in.U8() & 0x0f;
  header.internalUseOffset = in.U8() * kMultiple;
  header.chassisOffset = in.U8() * kMultiple;
  header.boardOffset = in.U8() * kMultiple;
  header.productOffset = in.U8() * kMultiple;
  header.multiRecordOffset = in.U8() * kMultiple;
  if (header.formatVersion != kFormatVersion) {
    result.problem = "unknown FRU header version " + std::to_string(header.formatVersion);
    return result;
  }
  if (!ZeroChecksum(image.data(), kCommonHeaderSize)) {
    result.problem = "FRU common header checksum is wrong";
    return result;
  }
  result.header = header;
  return result;
}

AreaResult SliceArea(const Bytes& image, std::size_t offset, AreaKind kind) {
  AreaResult result;
  const std::string name = std::string(AreaName(kind)) + " area";
  if (offset + kAreaHeaderSize > image.size()) {
    result.problem = name + " starts past the end of the FRU data";
    return result;
  }
  PayloadReader in(image.data() + offset, image.size() - offset, "FRU area header");
  const std::uint8_t version = in.U8() & 0x0f;
  const std::size_t length = in.U8() * kMultiple;
  if (version != kFormatVersion) {
    result.problem = name + " has unknown format version " + std::to_string(version);
    return result;
  }
  if (length == 0) {
    result.problem = name + " has length 0";
    return result;
  }
  if (length > image.size() - offset) {
    result.problem = name + " length " + std::to_string(length) + " runs past the end of the FRU data";
    return result;
  }
  AreaSlice slice;
  slice.bytes.assign(image.begin() + static_cast<std::ptrdiff_t>(offset),
                     image.begin() + static_cast<std::ptrdiff_t>(offset + length));
  slice.checksumOk = ZeroChecksum(slice.bytes.data(), slice.bytes.size());
  if (!slice.checksumOk)
    result.problem = name + " checksum is wrong (fields shown as read)";
  result.area = std::move(slice);
  return result;
}

ImageAreas LocateAreas(const Bytes& image) {
  ImageAreas areas;
  const HeaderResult header = DecodeCommonHeader(image);
  if (!header.header) {
    areas.problems.push_back(header.problem);
    return areas;
  }
  auto take = [&](std::size_t offset, AreaKind kind, std::optional<AreaSlice>& into) {
    if (offset == 0)
      return;
    AreaResult result = SliceArea(image, offset, kind);
    if (!result.problem.empty())
      areas.problems.push_back(result.problem);
    into = std::move(result.area);
  };
  take(header.header->chassisOffset, AreaKind::kChassis, areas.chassis);
  take(header.header->boardOffset, AreaKind::kBoard, areas.board);
  take(header.header->productOffset, AreaKind::kProduct, areas.product);
  return areas;
}

std::string DecodeFieldText(FieldEncoding encoding, const Bytes& bytes) {
  return DecodeTypeLengthText(encoding, bytes.data(), bytes.size());
}

ChassisInfo DecodeChassisArea(const Bytes& area, std::vector<std::string>& problems) {
  ChassisInfo info;
  PayloadReader in = AreaBody(area);
  if (in.AtEnd()) {
    problems.push_back("chassis area is too short for its chassis type");
    return info;
  }
  info.chassisType = in.U8();
  FieldReader fields(in, AreaKind::kChassis, problems);
  info.partNumber = fields.NextOrEmpty();
  info.serialNumber = fields.NextOrEmpty();
  info.custom = fields.Rest();
  return info;
}

BoardInfo DecodeBoardArea(const Bytes& area, std::vector<std::string>& problems) {
  BoardInfo info;
  PayloadReader in = AreaBody(area);
  if (in.Remaining() < 4) {
    problems.push_back("board area is too short for its language and manufacturing date");
    return info;
  }
  info.language = in.U8();
  info.mfgMinutes = in.U24le();
  FieldReader fields(in, AreaKind::kBoard, problems);
  info.manufacturer = fields.NextOrEmpty();
  info.productName = fields.NextOrEmpty();
  info.serialNumber = fields.NextOrEmpty();
  info.partNumber = fields.NextOrEmpty();
  info.fruFileId = fields.NextOrEmpty();
  info.custom = fields.Rest();
  return info;
}

ProductInfo DecodeProductArea(const Bytes& area, std::vector<std::string>& problems) {
  ProductInfo info;
  PayloadReader in = AreaBody(area);
  if (in.AtEnd()) {
    problems.push_back("product area is too short for its language code");
    return info;
  }
  info.language = in.U8();
  FieldReader fields(in, AreaKind::kProduct, problems);
  info.manufacturer = fields.NextOrEmpty();
  info.name = fields.NextOrEmpty();
  info.partNumber = fields.NextOrEmpty();
  info.version = fields.NextOrEmpty();
  info.serialNumber = fields.NextOrEmpty();
  info.assetTag = fields.NextOrEmpty();
  info.fruFileId = fields.NextOrEmpty();
  info.custom = fields.Rest();
  return info;
}

}  // namespace fru
}  // namespace marlek
