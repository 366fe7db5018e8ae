#include "standins/memory_registry/memory_registry.h"

#include "standins/memory_registry/tree_dump.h"

#include "registrar/predefined_roots.h"

#include <cctype>
#include <cstring>
#include <utility>

namespace qvapi {

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;

char Folded(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

struct IgnoringCase {
  bool operator()(const std::string& a, const std::string& b) const {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
      if (Folded(a[i]) != Folded(b[i])) return Folded(a[i]) < Folded(b[i]);
    }
    return a.size() < b.size();
  }
};

const char* OrEmpty(const char* name) { return name ? name : ""; }

}  // namespace

struct MemoryRegistry::Node {
  struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::string name;
  std::weak_ptr<Node> parent;
  bool deleted = false;
  std::map<std::string, std::shared_ptr<Node>, IgnoringCase> subkeys;
  std::map<std::string, Value, IgnoringCase> values;  // "" is the default value
};

MemoryRegistry::MemoryRegistry() {
  for (const PredefinedRoot& root : kPredefinedRoots) {
    roots_[reinterpret_cast<std::uintptr_t>(root.key)] = std::make_shared<Node>();
  }
}

MemoryRegistry::~MemoryRegistry() = default;

void MemoryRegistry::FailCall(Call call, const std::string& keyName, LONG error) {
  failures_.push_back({call, keyName, error});
}

bool MemoryRegistry::Injected(Call call, const std::string& keyName, LONG* error) const {
  for (const Failure& failure : failures_) {
    if (failure.call == call && SameName(failure.keyName, keyName)) {
      *error = failure.error;
      return true;
    }
  }
  return false;
}

void MemoryRegistry::DenyWriteAccess(const std::string& keyName) {
  readOnlyKeys_.push_back(keyName);
}

LONG MemoryRegistry::Resolve(HKEY key, DWORD neededAccess, Handle* handle) const {
  const auto id = reinterpret_cast<std::uintptr_t>(key);
  if (auto root = roots_.find(id); root != roots_.end()) {
    *handle = {root->second, KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  auto open = handles_.find(id);
  if (open == handles_.end()) return ERROR_INVALID_HANDLE;
  if (open->second.node->deleted) return ERROR_KEY_DELETED;
  if ((open->second.access & neededAccess) != neededAccess) return ERROR_ACCESS_DENIED;
  *handle = open->second;
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::Find(const std::shared_ptr<Node>& parent, const char* name, bool creating,
                          std::shared_ptr<Node>* found) {
  if (*name == '\0') {  // the parent itself, as the platform takes it
    *found = parent;
    return ERROR_SUCCESS;
  }
  if (std::strlen(name) > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  auto child = parent->subkeys.find(name);
  if (child == parent->subkeys.end()) {
    if (!creating) return ERROR_FILE_NOT_FOUND;
    auto created = std::make_shared<Node>();
    created->name = name;
    created->parent = parent;
    child = parent->subkeys.emplace(name, std::move(created)).first;
  }
  *found = child->second;
  return ERROR_SUCCESS;
}

HKEY MemoryRegistry::AddHandle(std::shared_ptr<Node> node, DWORD access) {
  const std::uintptr_t id = nextHandle_;
  nextHandle_ += 4;
  handles_[id] = {std::move(node), access};
  return reinterpret_cast<HKEY>(id);
}

LONG MemoryRegistry::OpenKey(HKEY parent, const char* name, DWORD access, HKEY* key) {
  Handle from;
  if (LONG error = Resolve(parent, 0, &from)) return error;
  if (LONG error; Injected(Call::kOpen, OrEmpty(name), &error)) return error;
  std::shared_ptr<Node> node;
  if (LONG error = Find(from.node, OrEmpty(name), false, &node)) return error;
  for (const std::string& readOnly : readOnlyKeys_) {
    if (SameName(readOnly, node->name) && (access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
  }
  *key = AddHandle(std::move(node), access);
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::CreateKey(HKEY parent, const char* name, HKEY* key) {
  Handle from;
  if (LONG error = Resolve(parent, KEY_CREATE_SUB_KEY, &from)) return error;
  if (LONG error; Injected(Call::kCreate, OrEmpty(name), &error)) return error;
  std::shared_ptr<Node> node;
  // An existing key whose rights deny writing cannot be opened with the
  // full access that creating asks for.
  if (Find(from.node, OrEmpty(name), false, &node) == ERROR_SUCCESS) {
    for (const std::string& readOnly : readOnlyKeys_) {
      if (SameName(readOnly, node->name)) return ERROR_ACCESS_DENIED;
    }
  }
  if (LONG error = Find(from.node, OrEmpty(name), true, &node)) return error;
  *key = AddHandle(std::move(node), KEY_ALL_ACCESS);
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::CloseKey(HKEY key) {
  const auto id = reinterpret_cast<std::uintptr_t>(key);
  if (roots_.count(id)) return ERROR_SUCCESS;
  auto open = handles_.find(id);
  if (open == handles_.end()) return ERROR_INVALID_HANDLE;
  std::string name = open->second.node->name;
  handles_.erase(open);
  LONG error = ERROR_SUCCESS;
  Injected(Call::kClose, name, &error);
  return error;
}

LONG MemoryRegistry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                              DWORD size) {
  Handle handle;
  if (LONG error = Resolve(key, KEY_SET_VALUE, &handle)) return error;
  Node::Value& value = handle.node->values[OrEmpty(name)];
  value.name = OrEmpty(name);
  value.type = type;
  value.data.assign(data, data + size);
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::DeleteKey(HKEY parent, const char* name) {
  Handle from;
  if (LONG error = Resolve(parent, 0, &from)) return error;
  std::shared_ptr<Node> target;
  if (LONG error = Find(from.node, OrEmpty(name), false, &target)) return error;
  if (LONG error; Injected(Call::kDelete, target->name, &error)) return error;
  std::shared_ptr<Node> container = target->parent.lock();
  if (!container || !target->subkeys.empty()) return ERROR_ACCESS_DENIED;  // a root, or not a leaf
  target->deleted = true;
  container->subkeys.erase(target->name);
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::DeleteValue(HKEY key, const char* name) {
  Handle handle;
  if (LONG error = Resolve(key, KEY_SET_VALUE, &handle)) return error;
  return handle.node->values.erase(OrEmpty(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG MemoryRegistry::EnumKey(HKEY key, DWORD index, char* name, DWORD* size) {
  Handle handle;
  if (LONG error = Resolve(key, KEY_ENUMERATE_SUB_KEYS, &handle)) return error;
  if (index >= handle.node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto subkey = handle.node->subkeys.begin();
  std::advance(subkey, index);
  const std::string& found = subkey->second->name;
  if (found.size() + 1 > *size) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *size = static_cast<DWORD>(found.size());
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::QueryCounts(HKEY key, DWORD* subkeys, DWORD* values) {
  Handle handle;
  if (LONG error = Resolve(key, KEY_QUERY_VALUE, &handle)) return error;
  if (subkeys) *subkeys = static_cast<DWORD>(handle.node->subkeys.size());
  if (values) *values = static_cast<DWORD>(handle.node->values.size());
  return ERROR_SUCCESS;
}

LONG MemoryRegistry::QueryDefaultValueSize(HKEY key, DWORD* size) {
  Handle handle;
  if (LONG error = Resolve(key, KEY_QUERY_VALUE, &handle)) return error;
  auto value = handle.node->values.find("");
  if (value == handle.node->values.end()) return ERROR_FILE_NOT_FOUND;
  *size = static_cast<DWORD>(value->second.data.size());
  return ERROR_SUCCESS;
}

std::string MemoryRegistry::Dump(HKEY root, const std::string& path) const {
  auto base = roots_.find(reinterpret_cast<std::uintptr_t>(root));
  if (base == roots_.end()) return {};
  std::shared_ptr<Node> top = base->second;
  for (std::size_t start = 0; start < path.size();) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (Find(top, path.substr(start, end - start).c_str(), false, &top) != ERROR_SUCCESS) return {};
    start = end + 1;
  }
  TreeDump dump;
  Walk(*top, "", [&dump](const Entry& entry) {
    if (entry.valueName) {
      dump.AddValue(entry.path, *entry.valueName, entry.type, entry.data->data(),
                    entry.data->size());
    } else {
      dump.AddKey(entry.path);
    }
  });
  return dump.Text();
}

void MemoryRegistry::ForEach(HKEY root, const Visitor& visit) const {
  auto base = roots_.find(reinterpret_cast<std::uintptr_t>(root));
  if (base != roots_.end()) Walk(*base->second, "", visit);
}

void MemoryRegistry::Walk(const Node& node, const std::string& at, const Visitor& visit) {
  for (const auto& entry : node.values) {
    const Node::Value& value = entry.second;
    visit({at, &value.name, value.type, &value.data});
  }
  for (const auto& entry : node.subkeys) {
    const std::string below = at.empty() ? entry.second->name : at + "\\" + entry.second->name;
    visit({below, nullptr, 0, nullptr});
    Walk(*entry.second, below, visit);
  }
}

}  // namespace qvapi
