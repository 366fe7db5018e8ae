#include "standins/memory_registry/tree_dump.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qvapi {

namespace {

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Hex(const BYTE* data, std::size_t size) {
  std::string text;
  char byte[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, " %02x", data[i]);
    text += byte;
  }
  return text;
}

// Strings and numbers are shown readably; anything else as its bytes.
std::string Data(DWORD type, const BYTE* data, std::size_t size) {
  if (type == REG_SZ && size > 0 && data[size - 1] == 0 &&
      std::find(data, data + size - 1, 0) == data + size - 1) {
    return "REG_SZ \"" + std::string(reinterpret_cast<const char*>(data), size - 1) + "\"";
  }
  if (type == REG_DWORD && size == 4) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%02x%02x%02x%02x", data[3], data[2], data[1], data[0]);
    return std::string("REG_DWORD ") + number;
  }
  return "type " + std::to_string(type) + " size " + std::to_string(size) + ":" + Hex(data, size);
}

// The parts of a path, lowered, so a key sorts before its subkeys.
std::vector<std::string> SortingParts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = path.find('\\', start)) != std::string::npos; start = end + 1)
    parts.push_back(Lowered(path.substr(start, end - start)));
  parts.push_back(Lowered(path.substr(start)));
  return parts;
}

}  // namespace

void TreeDump::AddKey(const std::string& path) { lines_.push_back({path, ""}); }

void TreeDump::AddValue(const std::string& path, const std::string& name, DWORD type,
                        const BYTE* data, std::size_t size) {
  lines_.push_back(
      {path, (name.empty() ? "@" : "\"" + name + "\"") + " = " + Data(type, data, size)});
}

std::string TreeDump::Text() const {
  std::vector<Line> sorted = lines_;
  std::sort(sorted.begin(), sorted.end(), [](const Line& a, const Line& b) {
    auto aParts = SortingParts(a.path);
    auto bParts = SortingParts(b.path);
    if (aParts != bParts) return aParts < bParts;
    return Lowered(a.detail) < Lowered(b.detail);
  });
  std::string text;
  for (const Line& line : sorted)
    text += "[" + line.path + "]" + (line.detail.empty() ? "" : " " + line.detail) + "\n";
  return text;
}

}  // namespace qvapi
