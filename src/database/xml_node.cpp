// XML node tree, options, lookups and the entity table.
#include "database/xml_node.h"

#include <utility>

namespace tagline::database {

XmlNode::XmlNode(XmlKind kind, std::string name, std::string value)
    : name(std::move(name)), value(std::move(value)), kind(kind) {}

XmlNode::~XmlNode() {
  // Move grandchildren out before each child dies, so no destructor ever sees a subtree.
  std::vector<std::unique_ptr<XmlNode>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<XmlNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

XmlNode& XmlNode::AppendChild(XmlKind childKind, std::string childName, std::string childValue) {
  auto child = std::make_unique<XmlNode>(childKind, std::move(childName), std::move(childValue));
  child->parent_ = this;
  child->document_ = kind == XmlKind::Document ? this : document_;
  children_.push_back(std::move(child));
  return *children_.back();
}

void XmlNode::Clear() {
  name.clear();
  value.clear();
  attributes.clear();
  children_.clear();
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
