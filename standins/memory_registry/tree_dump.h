// A canonical text form of a registry subtree: one line per key and per
// value, sorted by key path and then by value name without regard to case, so two registries that
// hold the same keys and values give the same text whatever their enumeration order.
#pragma once

#include "common/platform_types.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qvapi {

class TreeDump {
 public:
  // path: the key's path below the dumped key, parts joined by '\'.
  void AddKey(const std::string& path);
  // An empty name is the key's default value, shown as '@'.
  void AddValue(const std::string& path, const std::string& name, DWORD type, const BYTE* data,
                std::size_t size);
  std::string Text() const;

 private:
  struct Line {
    std::string path;
    std::string detail;  // empty for the key itself
  };
  std::vector<Line> lines_;
};

}  // namespace qvapi
