// SPDX-License-Identifier: Apache-2.0
// A small XML reader and writer for single-byte text, as the spreadsheet import needs it: a
// node tree, a lenient parser, three lookups and a writer. Not validating, not namespace-aware:
// "ss:Index" is a plain name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::database {

enum class XmlKind : std::uint8_t {
  Element = 0,
  ProcessingInstruction = 1,
  Comment = 2,
  CharacterData = 3,
  Document = 4,
};

inline constexpr std::string_view kXmlCommentName = "#COMMENT";
inline constexpr std::string_view kXmlCharacterDataName = "#CDATA";

struct XmlAttribute {
  std::string name;
  std::string value;

  friend bool operator==(const XmlAttribute&, const XmlAttribute&) = default;
};

class XmlNodeStore;

// One element, processing instruction, comment, character-data block or document. The nodes of
// a tree live in a store owned by its top node (the one not created as anybody's child), so a
// tree of any size or depth is freed in one sweep without recursion. The parent and document
// links do not own. A subtree dropped by Clear() on an inner node keeps its memory until the
// top node is cleared or destroyed.
class XmlNode {
 public:
  XmlNode();
  explicit XmlNode(XmlKind kind, std::string name = {}, std::string value = {});
  ~XmlNode();
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;

  XmlNode* Parent() { return parent_; }
  const XmlNode* Parent() const { return parent_; }
  XmlNode* Document() { return document_; }
  const XmlNode* Document() const { return document_; }

  std::size_t ChildCount() const { return childCount_; }
  // Throws std::out_of_range for an index past the last child, as a vector's at() does.
  XmlNode& Child(std::size_t index) { return *children_[CheckedIndex(index)]; }
  const XmlNode& Child(std::size_t index) const { return *children_[CheckedIndex(index)]; }

  // Appends a new child linked to this node and to this node's document (or to this node when
  // it is a document).
  XmlNode& AppendChild(XmlKind childKind, std::string childName, std::string childValue = {});

  // Drops name, value, attributes and children; kind and the upward links stay.
  void Clear();

  std::string name;                      // element name, PI target, "#COMMENT" or "#CDATA"
  std::string value;                     // element text, or the comment / character-data content
  std::vector<XmlAttribute> attributes;  // document order; duplicates stay
  XmlKind kind = XmlKind::Element;

 private:
  friend class XmlNodeBuilder;
  friend class XmlNodeStore;

  std::size_t CheckedIndex(std::size_t index) const {
    if (index >= childCount_) ThrowBadIndex();
    return index;
  }
  [[noreturn]] static void ThrowBadIndex();

  // The store this node's children come from, created on first use by a top node.
  XmlNodeStore& Store();
  // A new node of this tree, not yet linked anywhere but to this node's document.
  XmlNode& NewChild(XmlKind childKind);
  void Attach(XmlNode& child);

  // Declared right after `kind` so the two share one word. The child slots have room for the
  // count rounded up to a power of two; they grow by doubling.
  std::uint32_t childCount_ = 0;
  XmlNode* parent_ = nullptr;
  XmlNode* document_ = nullptr;
  XmlNode** children_ = nullptr;   // slots in the store
  XmlNodeStore* store_ = nullptr;  // the tree's store: own one, or the top node's
  std::unique_ptr<XmlNodeStore> ownStore_;
};

// One entry of an entity table: the character and its entity text, e.g. '&' and "&amp;".
struct XmlEntity {
  char character;
  std::string text;
};

// "&amp;" "&quot;" "&apos;" "&lt;" "&gt;", in the order they are tried.
std::vector<XmlEntity> StandardXmlEntities();

enum class XmlErrorCode : std::uint8_t {
  None = 0,
  ElementNotClosed = 1,  // "Element must be closed."
  EndTagNotClosed = 2,   // "it must be closed with </%s>"
  NotWellFormed = 3,     // "'<%s> ... </%s>' is not wel-formed."
  AttributeError = 4,    // "<%s> attribute has error "
  NestingTooDeep = 5,    // "<%s> is nested too deeply."
};

struct XmlError {
  bool failed = false;
  std::size_t position = 0;  // offset in the parsed text
  XmlErrorCode code = XmlErrorCode::None;
  std::string message;
};

// Deep enough for any sheet; bounds the work and memory a hostile file can demand.
inline constexpr std::size_t kXmlDefaultMaxDepth = 256;

struct XmlOptions {
  // Parse: trim white space around element text and attribute values.
  // Write: line breaks and TAB indentation between child elements.
  bool trim = false;
  bool entities = true;  // parse: decode; write: encode
  std::vector<XmlEntity> entityTable = StandardXmlEntities();
  // Parse only: the character after it is taken literally and the escape itself is dropped.
  std::optional<char> escape = '\\';
  char quote = '"';  // write: attribute value quote
  bool tolerateMismatchedEndTag = false;
  std::size_t maxDepth = kXmlDefaultMaxDepth;  // open elements at once, counting the top one
  // The first error since construction or ClearError(); later errors do not overwrite it.
  XmlError error;

  void RecordError(std::size_t position, XmlErrorCode code, std::string message);
  void ClearError() { error = XmlError{}; }
};

// Defaults for parsing: no trim, entities decoded, "\" escapes, mismatched end tags fail.
XmlOptions XmlParseOptions();
// Defaults for writing: layout on, entities encoded, no escape, '"' quotes.
XmlOptions XmlWriteOptions();

// A parsed document in two flat arrays, for readers that only look at it: building it takes a
// fraction of the time and memory of an XmlNode tree. Nodes are numbered, the document is node
// kDocument. Names, values and attribute texts are views into the parsed text, or into the
// tree's own copies where escapes, entities or trimming changed them, so the parsed text must
// outlive the tree (and stay unchanged). Blocks are named "#COMMENT" and "#CDATA" as in
// XmlNode trees. An Id that names no node (kNone included) makes the accessors throw
// std::out_of_range.
class XmlFlatTree {
 public:
  using Id = std::uint32_t;
  static constexpr Id kNone = 0xFFFFFFFF;
  static constexpr Id kDocument = 0;

  // Nothing parsed yet: the tree holds no node at all.
  bool Empty() const { return nodes_.empty(); }

  XmlKind Kind(Id node) const { return nodes_.at(node).kind; }
  std::string_view Name(Id node) const {
    const Node& held = nodes_.at(node);
    if (held.kind == XmlKind::Comment) return kXmlCommentName;
    if (held.kind == XmlKind::CharacterData) return kXmlCharacterDataName;
    return View(held.name);
  }
  std::string_view Value(Id node) const { return View(nodes_.at(node).value); }
  Id Parent(Id node) const { return nodes_.at(node).parent; }
  // Children in document order: the first, then each one's next sibling, up to kNone.
  Id FirstChild(Id node) const { return nodes_.at(node).firstChild; }
  Id NextSibling(Id node) const { return nodes_.at(node).nextSibling; }
  std::size_t AttributeCount(Id node) const { return nodes_.at(node).attributeCount; }
  std::string_view AttributeName(Id node, std::size_t index) const {
    return View(attributes_[AttributeIndex(node, index)].name);
  }
  std::string_view AttributeValue(Id node, std::size_t index) const {
    return View(attributes_[AttributeIndex(node, index)].value);
  }
  // visit(name, value) for each attribute, in document order.
  template <typename Visit>
  void ForEachAttribute(Id node, Visit visit) const {
    const Node& held = nodes_.at(node);
    for (std::uint32_t i = 0; i < held.attributeCount; ++i) {
      const Attribute& attribute = attributes_[held.firstAttribute + i];
      visit(View(attribute.name), View(attribute.value));
    }
  }

  // The lookups of XmlNode trees: the document's first element child, the direct children
  // named exactly `name`, the value of the first attribute named `name`, the first direct
  // child named `name`.
  Id RootElement() const;
  std::vector<Id> FindChildren(Id node, std::string_view name) const;
  std::optional<std::string_view> AttributeValue(Id node, std::string_view name) const;
  Id FirstChildNamed(Id node, std::string_view name) const;

 private:
  friend class XmlFlatTreeBuilder;

  // A piece of the parsed text, or (from the text's size on) of the tree's own copies. Held in
  // 32 bits: a node then takes 44 bytes, and a sheet has a node for every 20 or so bytes.
  struct Text {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  struct Node {
    Text name;
    Text value;
    std::uint32_t firstAttribute = 0;
    std::uint32_t attributeCount = 0;
    Id parent = kNone;
    Id firstChild = kNone;
    Id lastChild = kNone;
    Id nextSibling = kNone;
    XmlKind kind = XmlKind::Element;
  };
  struct Attribute {
    Text name;
    Text value;
  };

  // Where a node's attribute is held; throws std::out_of_range past the last one.
  std::size_t AttributeIndex(Id node, std::size_t index) const {
    const Node& held = nodes_.at(node);
    if (index >= held.attributeCount) ThrowBadAttributeIndex();
    return held.firstAttribute + index;
  }
  [[noreturn]] static void ThrowBadAttributeIndex();

  // Empties the tree for `source` and adds the document node. Throws std::length_error for a
  // text of 4 GiB or more, which the 32-bit offsets cannot address.
  void Reset(std::string_view source);
  Id NewNode(XmlKind kind);
  void Attach(Id parent, Id child);
  Text SourceText(std::string_view piece) const {
    return {static_cast<std::uint32_t>(piece.data() - source_.data()),
            static_cast<std::uint32_t>(piece.size())};
  }
  Text OwnText(std::string_view text);
  std::string_view View(Text text) const {
    return text.offset < source_.size()
               ? std::string_view(source_.data() + text.offset, text.size)
               : std::string_view(own_.data() + (text.offset - source_.size()), text.size);
  }

  std::string_view source_;
  std::string own_;
  std::vector<Node> nodes_;
  std::vector<Attribute> attributes_;
};

// Clears `node` and parses the first element of `text` into it with its subtree. Returns the
// position after the element (or at an end tag that belongs to the caller, leaving the node
// nameless), or nothing on error (details in options.error) or when the text holds no "<".
std::optional<std::size_t> ParseElement(XmlNode& node, std::string_view text, XmlOptions& options);

// Parses into a document node: processing instructions and comments before the root element
// become the document's children, followed by the root element.
std::optional<std::size_t> ParseDocument(XmlNode& document, std::string_view text,
                                         XmlOptions& options);

// Parses a document into a flat tree, exactly as into an XmlNode document.
std::optional<std::size_t> ParseDocument(XmlFlatTree& tree, std::string_view text,
                                         XmlOptions& options);

// The first element child of a document, if any.
const XmlNode* RootElement(const XmlNode& document);

// Direct children named exactly `name` (case-sensitive), in document order.
std::vector<const XmlNode*> FindChildren(const XmlNode& node, std::string_view name);

// Value of the first attribute named exactly `name`.
std::optional<std::string> AttributeValue(const XmlNode& node, std::string_view name);

// Value of the first direct child named exactly `name`.
std::optional<std::string> ChildText(const XmlNode& node, std::string_view name);

// The node and its subtree as text.
std::string WriteNode(const XmlNode& node, const XmlOptions& options);

// One left-to-right pass: where the text begins with a whole entity of the table (tried in
// table order) its character is output, otherwise one character is copied.
std::string DecodeXmlEntities(std::string_view text, const std::vector<XmlEntity>& table);
// Every character found in the table is replaced by its entity.
std::string EncodeXmlEntities(std::string_view text, const std::vector<XmlEntity>& table);

}  // namespace tagline::database
