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

// One element, processing instruction, comment, character-data block or document. A node
// owns its subtree; the parent and document links do not own.
class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(XmlKind kind, std::string name = {}, std::string value = {});
  // Tears the subtree down without recursion, so hostile nesting cannot exhaust the stack.
  ~XmlNode();
  XmlNode(const XmlNode&) = delete;
  XmlNode& operator=(const XmlNode&) = delete;

  std::string name;                      // element name, PI target, "#COMMENT" or "#CDATA"
  std::string value;                     // element text, or the comment / character-data content
  std::vector<XmlAttribute> attributes;  // document order; duplicates stay
  XmlKind kind = XmlKind::Element;

  XmlNode* Parent() { return parent_; }
  const XmlNode* Parent() const { return parent_; }
  XmlNode* Document() { return document_; }
  const XmlNode* Document() const { return document_; }

  std::size_t ChildCount() const { return children_.size(); }
  XmlNode& Child(std::size_t index) { return *children_.at(index); }
  const XmlNode& Child(std::size_t index) const { return *children_.at(index); }

  // Appends a new child linked to this node and to this node's document (or to this node when
  // it is a document).
  XmlNode& AppendChild(XmlKind childKind, std::string childName, std::string childValue = {});

  // Drops name, value, attributes and children; kind and the upward links stay.
  void Clear();

 private:
  friend class XmlParser;

  XmlNode* parent_ = nullptr;
  XmlNode* document_ = nullptr;
  std::vector<std::unique_ptr<XmlNode>> children_;
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

// Clears `node` and parses the first element of `text` into it with its subtree. Returns the
// position after the element (or at an end tag that belongs to the caller, leaving the node
// nameless), or nothing on error (details in options.error) or when the text holds no "<".
std::optional<std::size_t> ParseElement(XmlNode& node, std::string_view text, XmlOptions& options);

// Parses into a document node: processing instructions and comments before the root element
// become the document's children, followed by the root element.
std::optional<std::size_t> ParseDocument(XmlNode& document, std::string_view text,
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
