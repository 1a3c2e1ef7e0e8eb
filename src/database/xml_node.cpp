// SPDX-License-Identifier: Apache-2.0
// XML node tree, options, lookups and the entity table.
#include "database/xml_node.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace tagline::database {

// Nodes and child slots of one tree, allocated in blocks and released all at once. Nodes are
// never moved, so the links between them stay valid as the tree grows.
class XmlNodeStore {
 public:
  XmlNodeStore() = default;
  ~XmlNodeStore() { Release(); }
  XmlNodeStore(const XmlNodeStore&) = delete;
  XmlNodeStore& operator=(const XmlNodeStore&) = delete;

  XmlNode& NewNode(XmlKind kind) {
    if (nodeBlocks_.empty() || nodeBlocks_.back().used == nodeBlocks_.back().capacity) {
      const std::size_t capacity =
          nodeBlocks_.empty() ? kFirstNodeBlock
                              : std::min(nodeBlocks_.back().capacity * 2, kLargestNodeBlock);
      nodeBlocks_.reserve(nodeBlocks_.size() + 1);
      nodeBlocks_.push_back({std::allocator<XmlNode>().allocate(capacity), 0, capacity});
    }
    NodeBlock& block = nodeBlocks_.back();
    XmlNode* const node = std::construct_at(block.nodes + block.used);
    ++block.used;
    node->kind = kind;
    node->store_ = this;
    return *node;
  }

  XmlNode** NewSlots(std::size_t count) {
    if (slotBlocks_.empty() || slotBlocks_.back().capacity - slotBlocks_.back().used < count) {
      const std::size_t grown = slotBlocks_.empty()
                                    ? kFirstSlotBlock
                                    : std::min(slotBlocks_.back().capacity * 2, kLargestSlotBlock);
      const std::size_t capacity = std::max(grown, count);
      slotBlocks_.reserve(slotBlocks_.size() + 1);
      slotBlocks_.push_back({std::make_unique_for_overwrite<XmlNode*[]>(capacity), 0, capacity});
    }
    SlotBlock& block = slotBlocks_.back();
    XmlNode** const slots = block.slots.get() + block.used;
    block.used += count;
    return slots;
  }

  // Destroys every node. None of them owns another, so this is one flat sweep.
  void Release() {
    for (NodeBlock& block : nodeBlocks_) {
      std::destroy_n(block.nodes, block.used);
      std::allocator<XmlNode>().deallocate(block.nodes, block.capacity);
    }
    nodeBlocks_.clear();
    slotBlocks_.clear();
  }

 private:
  static constexpr std::size_t kFirstNodeBlock = 8;
  static constexpr std::size_t kLargestNodeBlock = 4096;
  static constexpr std::size_t kFirstSlotBlock = 32;
  static constexpr std::size_t kLargestSlotBlock = 16384;

  struct NodeBlock {
    XmlNode* nodes;  // `used` of them constructed
    std::size_t used;
    std::size_t capacity;
  };
  struct SlotBlock {
    std::unique_ptr<XmlNode*[]> slots;
    std::size_t used;
    std::size_t capacity;
  };
  std::vector<NodeBlock> nodeBlocks_;
  std::vector<SlotBlock> slotBlocks_;
};

XmlNode::XmlNode() = default;

XmlNode::XmlNode(XmlKind kind, std::string name, std::string value)
    : name(std::move(name)), value(std::move(value)), kind(kind) {}

XmlNode::~XmlNode() = default;

void XmlNode::ThrowBadIndex() {
  throw std::out_of_range("XmlNode::Child: no child at this index");
}

XmlNodeStore& XmlNode::Store() {
  if (store_ == nullptr) {
    ownStore_ = std::make_unique<XmlNodeStore>();
    store_ = ownStore_.get();
  }
  return *store_;
}

XmlNode& XmlNode::NewChild(XmlKind childKind) {
  XmlNode& child = Store().NewNode(childKind);
  child.parent_ = this;
  child.document_ = kind == XmlKind::Document ? this : document_;
  return child;
}

void XmlNode::Attach(XmlNode& child) {
  // The slots are full when the count is zero or a power of two.
  if ((childCount_ & (childCount_ - 1)) == 0) {
    if (childCount_ > std::numeric_limits<std::uint32_t>::max() / 2) {
      throw std::length_error("XmlNode: too many children");
    }
    // The old slots stay unused in the store; doubling bounds that waste by the live slots.
    const std::size_t capacity = childCount_ == 0 ? 1 : std::size_t{childCount_} * 2;
    XmlNode** const slots = Store().NewSlots(capacity);
    std::copy_n(children_, childCount_, slots);
    children_ = slots;
  }
  children_[childCount_++] = &child;
}

XmlNode& XmlNode::AppendChild(XmlKind childKind, std::string childName, std::string childValue) {
  XmlNode& child = NewChild(childKind);
  child.name = std::move(childName);
  child.value = std::move(childValue);
  Attach(child);
  return child;
}

void XmlNode::Clear() {
  name.clear();
  value.clear();
  attributes.clear();
  children_ = nullptr;
  childCount_ = 0;
  // A top node's store holds nothing but its own (former) descendants.
  if (ownStore_) ownStore_->Release();
}

void XmlFlatTree::ThrowBadAttributeIndex() {
  throw std::out_of_range("XmlFlatTree: no attribute at this index");
}

XmlFlatTree::Id XmlFlatTree::RootElement() const {
  if (nodes_.empty()) return kNone;
  for (Id child = nodes_[kDocument].firstChild; child != kNone; child = nodes_[child].nextSibling) {
    if (nodes_[child].kind == XmlKind::Element) return child;
  }
  return kNone;
}

std::vector<XmlFlatTree::Id> XmlFlatTree::FindChildren(Id node, std::string_view name) const {
  std::vector<Id> found;
  for (Id child = FirstChild(node); child != kNone; child = nodes_[child].nextSibling) {
    if (Name(child) == name) found.push_back(child);
  }
  return found;
}

std::optional<std::string_view> XmlFlatTree::AttributeValue(Id node, std::string_view name) const {
  const Node& held = nodes_.at(node);
  for (std::uint32_t i = 0; i < held.attributeCount; ++i) {
    const Attribute& attribute = attributes_[held.firstAttribute + i];
    if (View(attribute.name) == name) return View(attribute.value);
  }
  return std::nullopt;
}

XmlFlatTree::Id XmlFlatTree::FirstChildNamed(Id node, std::string_view name) const {
  for (Id child = FirstChild(node); child != kNone; child = nodes_[child].nextSibling) {
    if (Name(child) == name) return child;
  }
  return kNone;
}

void XmlFlatTree::Reset(std::string_view source) {
  if (source.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("XmlFlatTree: text too large");
  }
  source_ = source;
  own_.clear();
  nodes_.clear();
  attributes_.clear();
  // Room for more than any sheet's density of markup (a node for every 20 or so bytes, an
  // attribute for every 35), so the arrays do not move while they fill up: a move would hold
  // old and new at once, twice the memory. Pages reserved but never filled cost none. Capped
  // for huge texts with little markup.
  constexpr std::size_t kMostReserved = std::size_t{1} << 23;
  nodes_.reserve(std::min(source.size() / 12 + 2, kMostReserved));
  attributes_.reserve(std::min(source.size() / 16 + 2, kMostReserved));
  NewNode(XmlKind::Document);
}

XmlFlatTree::Id XmlFlatTree::NewNode(XmlKind kind) {
  if (nodes_.size() >= kNone) throw std::length_error("XmlFlatTree: too many nodes");
  nodes_.emplace_back().kind = kind;
  return static_cast<Id>(nodes_.size() - 1);
}

void XmlFlatTree::Attach(Id parent, Id child) {
  Node& holder = nodes_[parent];
  if (holder.lastChild == kNone) {
    holder.firstChild = child;
  } else {
    nodes_[holder.lastChild].nextSibling = child;
  }
  holder.lastChild = child;
}

XmlFlatTree::Text XmlFlatTree::OwnText(std::string_view text) {
  const std::size_t offset = source_.size() + own_.size();
  if (text.size() >= std::numeric_limits<std::uint32_t>::max() - offset) {
    throw std::length_error("XmlFlatTree: texts too large");
  }
  own_.append(text);
  return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(text.size())};
}

std::vector<XmlEntity> StandardXmlEntities() {
  return {{'&', "&amp;"}, {'"', "&quot;"}, {'\'', "&apos;"}, {'<', "&lt;"}, {'>', "&gt;"}};
}

void XmlOptions::RecordError(std::size_t position, XmlErrorCode code, std::string message) {
  if (error.failed) return;
  error.failed = true;
  error.position = position;
  error.code = code;
  error.message = std::move(message);
}

XmlOptions XmlParseOptions() {
  return XmlOptions{};
}

XmlOptions XmlWriteOptions() {
  XmlOptions options;
  options.trim = true;
  options.escape.reset();
  return options;
}

const XmlNode* RootElement(const XmlNode& document) {
  for (std::size_t i = 0; i < document.ChildCount(); ++i) {
    if (document.Child(i).kind == XmlKind::Element) return &document.Child(i);
  }
  return nullptr;
}

std::vector<const XmlNode*> FindChildren(const XmlNode& node, std::string_view name) {
  std::vector<const XmlNode*> found;
  for (std::size_t i = 0; i < node.ChildCount(); ++i) {
    if (node.Child(i).name == name) found.push_back(&node.Child(i));
  }
  return found;
}

std::optional<std::string> AttributeValue(const XmlNode& node, std::string_view name) {
  for (const XmlAttribute& attribute : node.attributes) {
    if (attribute.name == name) return attribute.value;
  }
  return std::nullopt;
}

std::optional<std::string> ChildText(const XmlNode& node, std::string_view name) {
  for (std::size_t i = 0; i < node.ChildCount(); ++i) {
    if (node.Child(i).name == name) return node.Child(i).value;
  }
  return std::nullopt;
}

std::string DecodeXmlEntities(std::string_view text, const std::vector<XmlEntity>& table) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    bool matched = false;
    for (const XmlEntity& entity : table) {
      // An empty entity text would match everywhere without consuming anything.
      if (!entity.text.empty() && text.substr(pos).starts_with(entity.text)) {
        out += entity.character;
        pos += entity.text.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += text[pos++];
  }
  return out;
}

std::string EncodeXmlEntities(std::string_view text, const std::vector<XmlEntity>& table) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const XmlEntity* found = nullptr;
    for (const XmlEntity& entity : table) {
      if (entity.character == c) {
        found = &entity;
        break;
      }
    }
    if (found != nullptr) {
      out += found->text;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tagline::database
