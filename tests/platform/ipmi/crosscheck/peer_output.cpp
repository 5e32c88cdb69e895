#include "peer_output.h"

#include <cctype>
#include <sstream>

namespace marlek::crosscheck {
namespace {

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos)
    return {};
  const auto end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, sep))
    fields.push_back(field);
  if (!line.empty() && line.back() == sep)
    fields.emplace_back();
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

}  // namespace

std::vector<IpmitoolElistRow> ParseIpmitoolElist(const std::string& text) {
  std::vector<IpmitoolElistRow> rows;
  for (const std::string& line : Lines(text)) {
    const auto f = Split(line, '|');
    if (f.size() != 5)
      continue;
    IpmitoolElistRow r;
    r.name = Trim(f[0]);
    const std::string number = Trim(f[1]);
    if (number.size() != 3 || number.back() != 'h')
      continue;
    r.number = static_cast<std::uint8_t>(std::stoul(number.substr(0, 2), nullptr, 16));
    r.status = Trim(f[2]);
    r.entity = Trim(f[3]);
    r.value = Trim(f[4]);
    rows.push_back(r);
  }
  return rows;
}

std::vector<IpmitoolSensorRow> ParseIpmitoolSensorList(const std::string& text) {
  std::vector<IpmitoolSensorRow> rows;
  for (const std::string& line : Lines(text)) {
    const auto f = Split(line, '|');
    if (f.size() < 4)
      continue;
    rows.push_back(IpmitoolSensorRow{Trim(f[0]), Trim(f[1]), Trim(f[2]), Trim(f[3])});
  }
  return rows;
}

std::vector<FreeIpmiRow> ParseFreeIpmiSensors(const std::string& text) {
  std::vector<FreeIpmiRow> rows;
  for (const std::string& line : Lines(text)) {
    const auto f = Split(line, ',');
    if (f.size() != 7 || f[0].empty() || !std::isdigit(static_cast<unsigned char>(f[0][0])))
      continue;
    FreeIpmiRow r;
    r.recordId = static_cast<std::uint16_t>(std::stoul(f[0]));
    r.name = f[1];
    r.type = f[2];
    r.state = f[3];
    r.reading = f[4];
    r.units = f[5];
    if (f[6].size() == 5 && f[6].back() == 'h')
      r.eventBitmask = static_cast<std::uint16_t>(std::stoul(f[6].substr(0, 4), nullptr, 16));
    rows.push_back(r);
  }
  return rows;
}

int DecimalPlaces(const std::string& number) {
  const auto dot = number.find('.');
  return dot == std::string::npos ? 0 : static_cast<int>(number.size() - dot - 1);
}

std::string Normalize(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return out;
}

}  // namespace marlek::crosscheck
