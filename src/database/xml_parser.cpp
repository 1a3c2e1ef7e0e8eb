// SPDX-License-Identifier: Apache-2.0
// The XML parser. Nesting is handled with an explicit stack of open elements and a depth
// limit, and every look at the text is bounded by its size, so neither deep nor cut-off input
// can run past the stack or the buffer.
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/xml_node.h"

namespace tagline::database {

namespace {

// Membership of single bytes, one table look-up each.
class CharSet {
 public:
  constexpr explicit CharSet(std::string_view chars) {
    for (const char c : chars) member_[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator()(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  std::array<bool, 256> member_{};
};

constexpr std::string_view kSpaceChars = " \t\r\n";
constexpr CharSet kSpace(kSpaceChars);
constexpr CharSet kElementNameEnd(" />\t\r\n");
constexpr CharSet kElementAttributeNameEnd(" =\t\r\n>/");
constexpr CharSet kInstructionAttributeNameEnd(" =\t\r\n");
constexpr CharSet kUnquotedValueEnd(" \t\r\n>");
constexpr CharSet kInstructionTargetEnd(" ?>\t\r\n");
constexpr CharSet kEndTagNameEnd(" >\t\r\n");

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The markup openers are ASCII, so comparing ASCII case-folded bytes is enough.
bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
  if (pos > text.size() || text.size() - pos < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[pos + i]) != AsciiLower(prefix[i])) return false;
  }
  return true;
}

// First position in [pos, limit) holding one of `set`, or `limit`. Four bytes a step, so the
// bound is checked once for four: names and values are short, and this is the parse's
// innermost loop.
inline std::size_t FindAny(std::string_view text, std::size_t pos, std::size_t limit,
                           const CharSet& set) {
  for (; pos < limit && limit - pos >= 4; pos += 4) {
    if (set(text[pos])) return pos;
    if (set(text[pos + 1])) return pos + 1;
    if (set(text[pos + 2])) return pos + 2;
    if (set(text[pos + 3])) return pos + 3;
  }
  while (pos < limit && !set(text[pos])) ++pos;
  return pos;
}

// First `c` in [pos, limit), or `limit`; four bytes a step as above.
inline std::size_t FindByte(std::string_view text, std::size_t pos, std::size_t limit, char c) {
  for (; pos < limit && limit - pos >= 4; pos += 4) {
    if (text[pos] == c) return pos;
    if (text[pos + 1] == c) return pos + 1;
    if (text[pos + 2] == c) return pos + 2;
    if (text[pos + 3] == c) return pos + 3;
  }
  while (pos < limit && text[pos] != c) ++pos;
  return pos;
}

inline std::size_t SkipSpace(std::string_view text, std::size_t pos, std::size_t limit) {
  while (pos < limit && kSpace(text[pos])) ++pos;
  return pos;
}

// First `c` at or after `pos`, or npos. Markup is dense, so the next few bytes are looked at
// directly before handing a longer stretch to the library search: far enough for a cell's
// text, which often has 16 characters or more.
inline std::size_t FindChar(std::string_view text, std::size_t pos, char c) {
  if (pos < text.size() && text[pos] == c) return pos;
  constexpr std::size_t kNear = 48;
  const std::size_t near = pos + std::min(kNear, text.size() - std::min(pos, text.size()));
  pos = FindByte(text, pos, near, c);
  if (pos < near) return pos;
  return text.find(c, pos);
}

// Whether `data` begins with `expected`. Names are short; a loop beats a library call.
inline bool SameBytes(const char* data, std::string_view expected) {
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (data[i] != expected[i]) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kSpaceChars);
  if (first == std::string_view::npos) return text.substr(text.size());
  const std::size_t last = text.find_last_not_of(kSpaceChars);
  return text.substr(first, last - first + 1);
}

enum class Step {
  Error,      // recorded in the options
  NoElement,  // no "<" left in the text
  Done,       // complete, possibly nameless (end tag of the caller, or a stored block)
  Open,       // start tag read; children and end tag follow
};

struct StartResult {
  Step step;
  std::size_t position;
};

}  // namespace

// The parser builds through one of two builders: one for XmlNode trees, one for flat trees.
// Handles are the builder's nodes. Texts reach a builder as pieces of the parsed text or as
// resolved copies that stay valid only until the next text is resolved, so a builder copies
// what it keeps of them.

// Builds XmlNode trees.
class XmlNodeBuilder {
 public:
  using Handle = XmlNode*;
  static constexpr Handle kNone = nullptr;

  Handle NewElement(Handle parent) {
    XmlNode* const spare = std::exchange(spare_, nullptr);
    if (spare != nullptr && spare->store_ == parent->store_) {
      spare->Clear();
      spare->kind = XmlKind::Element;
      spare->parent_ = parent;
      spare->document_ = parent->kind == XmlKind::Document ? parent : parent->document_;
      return spare;
    }
    return &parent->NewChild(XmlKind::Element);
  }
  // A node from NewElement that was not attached; handed out again next time.
  void Discard(Handle node) { spare_ = node; }
  void Attach(Handle parent, Handle child) { parent->Attach(*child); }

  void SetName(Handle node, std::string_view name) { node->name.assign(name); }
  std::string_view Name(Handle node) const { return node->name; }
  bool NameEmpty(Handle node) const { return node->name.empty(); }
  void SetValue(Handle node, std::string_view text) { node->value.assign(text); }
  bool ValueEmpty(Handle node) const { return node->value.empty(); }
  void AddAttribute(Handle node, std::string_view name, std::string_view value) {
    XmlAttribute& attribute = node->attributes.emplace_back();
    attribute.name.assign(name);
    attribute.value.assign(value);
  }

  void AppendBlock(Handle holder, XmlKind kind, std::string_view content) {
    holder->AppendChild(
        kind, std::string(kind == XmlKind::Comment ? kXmlCommentName : kXmlCharacterDataName),
        std::string(content));
  }
  Handle AppendInstruction(Handle document, std::string_view target) {
    return &document->AppendChild(XmlKind::ProcessingInstruction, std::string(target));
  }

 private:
  XmlNode* spare_ = nullptr;
};

// Builds flat trees.
class XmlFlatTreeBuilder {
 public:
  using Handle = XmlFlatTree::Id;
  static constexpr Handle kNone = XmlFlatTree::kNone;

  // Empties the tree for `source`, leaving the document node.
  XmlFlatTreeBuilder(XmlFlatTree& tree, std::string_view source) : tree_(tree) {
    tree_.Reset(source);
  }

  Handle NewElement(Handle parent) {
    const Handle node = tree_.NewNode(XmlKind::Element);
    tree_.nodes_[node].parent = parent;
    return node;
  }
  // A node from NewElement that was not attached. Nothing refers to it; when no block came
  // after it, it is taken back.
  void Discard(Handle node) {
    if (node + 1 == tree_.nodes_.size()) tree_.nodes_.pop_back();
  }
  void Attach(Handle parent, Handle child) { tree_.Attach(parent, child); }

  void SetName(Handle node, std::string_view name) {
    tree_.nodes_[node].name = tree_.SourceText(name);
  }
  // Handles come from this builder, so they need no check.
  std::string_view Name(Handle node) const {
    const XmlFlatTree::Node& held = tree_.nodes_[node];
    return held.kind == XmlKind::Element ? tree_.View(held.name) : tree_.Name(node);
  }
  bool NameEmpty(Handle node) const { return tree_.nodes_[node].name.size == 0; }
  void SetValue(Handle node, std::string_view text) { tree_.nodes_[node].value = Store(text); }
  bool ValueEmpty(Handle node) const { return tree_.nodes_[node].value.size == 0; }
  void AddAttribute(Handle node, std::string_view name, std::string_view value) {
    XmlFlatTree::Node& stored = tree_.nodes_[node];
    if (tree_.attributes_.size() >= XmlFlatTree::kNone) {
      throw std::length_error("XmlFlatTree: too many attributes");
    }
    if (stored.attributeCount == 0) {
      stored.firstAttribute = static_cast<std::uint32_t>(tree_.attributes_.size());
    }
    ++stored.attributeCount;
    tree_.attributes_.push_back({tree_.SourceText(name), Store(value)});
  }

  void AppendBlock(Handle holder, XmlKind kind, std::string_view content) {
    const Handle block = tree_.NewNode(kind);
    tree_.nodes_[block].parent = holder;
    tree_.nodes_[block].value = tree_.SourceText(content);
    tree_.Attach(holder, block);
  }
  Handle AppendInstruction(Handle document, std::string_view target) {
    const Handle instruction = tree_.NewNode(XmlKind::ProcessingInstruction);
    tree_.nodes_[instruction].parent = document;
    tree_.nodes_[instruction].name = tree_.SourceText(target);
    tree_.Attach(document, instruction);
    return instruction;
  }

 private:
  XmlFlatTree::Text Store(std::string_view text) {
    const std::less<const char*> before;
    const std::string_view source = tree_.source_;
    const bool inSource = !before(text.data(), source.data()) &&
                          !before(source.data() + source.size(), text.data() + text.size());
    return inSource ? tree_.SourceText(text) : tree_.OwnText(text);
  }

  XmlFlatTree& tree_;
};

namespace {

// The parser proper, building through `Builder`.
template <class Builder>
class Parser {
 public:
  using Handle = typename Builder::Handle;
  static constexpr Handle kNone = Builder::kNone;

  Parser(std::string_view text, XmlOptions& options, Builder& builder);

  // Parses the first element of the text into `top`, a fresh element whose parent and
  // document are given (either may be kNone).
  std::optional<std::size_t> Parse(Handle top, Handle parent, Handle document);

 private:
  StartResult Start(Handle node, Handle parent, std::size_t pos);
  std::size_t ProcessingInstruction(std::size_t pos);
  bool ReadAttribute(Handle node, std::size_t& pos, std::size_t limit, bool inElement);
  std::string_view TakeText(std::size_t& pos);
  std::string_view CopyText(std::string_view raw) { return plainTexts_ ? raw : ResolveText(raw); }
  std::string_view ResolveText(std::string_view raw);
  StartResult Fail(std::size_t position, XmlErrorCode code, std::string message);
  std::nullopt_t Abandon();

  std::string_view text_;
  XmlOptions& options_;
  Builder& builder_;
  const bool hasEscape_;
  const char escape_;
  CharSet entityStarts_{""};  // first bytes of the entity texts, when entities are decoded
  bool plainTexts_ = false;   // no trimming, escapes or entities: texts stay as written
  Handle document_ = kNone;
  std::string resolved_;  // the last text that escapes or entities changed
  std::vector<Handle> open_;
};

template <class Builder>
Parser<Builder>::Parser(std::string_view text, XmlOptions& options, Builder& builder)
    : text_(text),
      options_(options),
      builder_(builder),
      hasEscape_(options.escape.has_value()),
      escape_(options.escape.value_or('\0')) {
  if (options_.entities) {
    std::string starts;
    for (const XmlEntity& entity : options_.entityTable) {
      if (!entity.text.empty()) starts += entity.text.front();
    }
    entityStarts_ = CharSet(starts);
  }
  plainTexts_ = !options_.trim && !hasEscape_ && !options_.entities;
}

template <class Builder>
std::optional<std::size_t> Parser<Builder>::Parse(Handle top, Handle parent, Handle document) {
  document_ = document;
  const StartResult first = Start(top, parent, 0);
  if (first.step == Step::Error || first.step == Step::NoElement) return std::nullopt;
  if (first.step == Step::Done) return first.position;

  open_.assign(1, top);
  std::size_t pos = first.position;
  // Set after a child completed: the enclosing element then looks for its end tag or text.
  bool afterChild = false;

  while (!open_.empty()) {
    const Handle current = open_.back();
    if (afterChild) {
      afterChild = false;
      if (pos + 1 < text_.size() && text_[pos] == '<' && text_[pos + 1] == '/') {
        const std::size_t nameStart = pos + 2;
        const std::string_view name = builder_.Name(current);
        // Nearly always the end tag names the innermost element. A name holds no end-tag
        // delimiter, so the name followed by one is what the general scan below would find.
        if (text_.size() - nameStart > name.size() && SameBytes(text_.data() + nameStart, name) &&
            kEndTagNameEnd(text_[nameStart + name.size()])) {
          const std::size_t close = FindChar(text_, nameStart + name.size(), '>');
          if (close != std::string_view::npos) {
            pos = close + 1;
            open_.pop_back();
            afterChild = true;
            continue;
          }
        }
        const std::size_t nameEnd = FindAny(text_, nameStart, text_.size(), kEndTagNameEnd);
        const std::size_t close = FindChar(text_, nameEnd, '>');
        if (nameEnd >= text_.size() || close == std::string_view::npos) {
          Fail(pos, XmlErrorCode::EndTagNotClosed,
               "it must be closed with </" + std::string(name) + ">");
          return Abandon();
        }
        const std::string_view endName = text_.substr(nameStart, nameEnd - nameStart);
        if (endName == name) {
          pos = close + 1;
          open_.pop_back();
          afterChild = true;
          continue;
        }
        if (!options_.tolerateMismatchedEndTag) {
          Fail(pos, XmlErrorCode::NotWellFormed,
               "'<" + std::string(name) + "> ... </" + std::string(endName) +
                   ">' is not wel-formed.");
          return Abandon();
        }
        pos = close + 1;
      } else if (builder_.ValueEmpty(current) && pos < text_.size() && text_[pos] != '<') {
        builder_.SetValue(current, TakeText(pos));
      }
      continue;
    }

    // An element that runs to the end of the text is accepted as it stands.
    if (pos >= text_.size()) {
      open_.pop_back();
      afterChild = true;
      continue;
    }

    // No "<" left, or the next tag is an end tag: there is no child to make.
    const std::size_t next = FindChar(text_, pos, '<');
    if (next == std::string_view::npos) {
      pos = text_.size();
      continue;
    }
    if (next + 1 < text_.size() && text_[next + 1] == '/') {
      pos = next;
      afterChild = true;
      continue;
    }

    const Handle added = builder_.NewElement(current);
    const StartResult result = Start(added, current, next);
    switch (result.step) {
      case Step::Error:
        return Abandon();
      case Step::NoElement:
        builder_.Discard(added);
        pos = text_.size();
        break;
      case Step::Open:
        if (open_.size() >= options_.maxDepth) {
          Fail(pos, XmlErrorCode::NestingTooDeep,
               "<" + std::string(builder_.Name(added)) + "> is nested too deeply.");
          return Abandon();
        }
        // A nameless element is parsed like any other but not kept (unless the parse fails).
        if (!builder_.NameEmpty(added)) builder_.Attach(current, added);
        open_.push_back(added);
        pos = result.position;
        break;
      case Step::Done:
        if (builder_.NameEmpty(added)) {
          builder_.Discard(added);
        } else {
          builder_.Attach(current, added);
        }
        pos = result.position;
        afterChild = true;
        break;
    }
  }
  return pos;
}

// Ends a parse that failed with elements open, leaving the tree as far as it got. A nameless
// element is not kept once it closes; one still open is left as its parent's last child,
// which it is: nothing reaches the parent while the element is open.
template <class Builder>
std::nullopt_t Parser<Builder>::Abandon() {
  for (std::size_t i = 1; i < open_.size(); ++i) {
    if (builder_.NameEmpty(open_[i])) builder_.Attach(open_[i - 1], open_[i]);
  }
  return std::nullopt;
}

template <class Builder>
StartResult Parser<Builder>::Start(Handle node, Handle parent, std::size_t pos) {
  for (;;) {
    pos = FindChar(text_, pos, '<');
    if (pos == std::string_view::npos) return {Step::NoElement, text_.size()};
    if (pos + 1 >= text_.size()) break;
    const char second = text_[pos + 1];
    if (second == '/') return {Step::Done, pos};
    if (second == '?') {
      pos = ProcessingInstruction(pos);
      continue;
    }
    if (second != '!') break;
    const bool comment = StartsWithNoCase(text_, pos, "<!--");
    if (comment || StartsWithNoCase(text_, pos, "<![CDATA[")) {
      const std::string_view opener = comment ? "<!--" : "<![CDATA[";
      const std::string_view closer = comment ? "-->" : "]]>";
      const std::size_t begin = pos + opener.size();
      const std::size_t end = text_.find(closer, begin);
      const std::size_t contentEnd = end == std::string_view::npos ? text_.size() : end;
      pos = end == std::string_view::npos ? text_.size() : end + closer.size();
      const Handle holder = parent != kNone ? parent : document_;
      if (holder != kNone) {
        builder_.AppendBlock(holder, comment ? XmlKind::Comment : XmlKind::CharacterData,
                             text_.substr(begin, contentEnd - begin));
        // The block was the parent's next child: this node ends here.
        if (parent != kNone && parent != document_) return {Step::Done, pos};
      }
      continue;
    }
    break;
  }

  const std::size_t nameEnd = FindAny(text_, pos + 1, text_.size(), kElementNameEnd);
  builder_.SetName(node, text_.substr(pos + 1, nameEnd - pos - 1));
  pos = nameEnd;
  for (;;) {
    pos = SkipSpace(text_, pos, text_.size());
    if (pos >= text_.size()) {
      return Fail(pos, XmlErrorCode::ElementNotClosed, "Element must be closed.");
    }
    if (text_[pos] == '>' || text_[pos] == '/') break;
    if (!ReadAttribute(node, pos, text_.size(), true)) return {Step::Error, pos};
  }
  if (text_[pos] == '/') {
    if (pos + 1 < text_.size() && text_[pos + 1] == '>') return {Step::Done, pos + 2};
    return Fail(pos, XmlErrorCode::ElementNotClosed, "Element must be closed.");
  }
  ++pos;
  builder_.SetValue(node, TakeText(pos));
  return {Step::Open, pos};
}

// Reads "<?target attributes?>" and stores it in the document, if there is one. Returns the
// position after it; an unterminated instruction runs to the end of the text.
template <class Builder>
std::size_t Parser<Builder>::ProcessingInstruction(std::size_t pos) {
  const std::size_t begin = pos + 2;
  const std::size_t close = text_.find("?>", begin);
  const std::size_t limit = close == std::string_view::npos ? text_.size() : close;
  const std::size_t next = close == std::string_view::npos ? text_.size() : close + 2;
  const std::size_t targetEnd = FindAny(text_, begin, limit, kInstructionTargetEnd);
  const Handle instruction =
      document_ != kNone
          ? builder_.AppendInstruction(document_, text_.substr(begin, targetEnd - begin))
          : kNone;
  std::size_t at = targetEnd;
  for (;;) {
    at = SkipSpace(text_, at, limit);
    if (at >= limit) break;
    ReadAttribute(instruction, at, limit, false);
  }
  return next;
}

// Reads one attribute at `pos` (not white space, not the tag end) within [pos, limit) and
// adds it to `node` (if any). In an element, a name or quoted value cut off by the end of the
// text is an error; in a processing instruction it simply ends there.
template <class Builder>
bool Parser<Builder>::ReadAttribute(Handle node, std::size_t& pos, std::size_t limit,
                                    bool inElement) {
  const std::size_t nameStart = pos;
  const std::size_t nameEnd = FindAny(
      text_, pos, limit, inElement ? kElementAttributeNameEnd : kInstructionAttributeNameEnd);
  const auto fail = [&] {
    Fail(nameStart, XmlErrorCode::AttributeError,
         "<" + std::string(builder_.Name(node)) + "> attribute has error ");
    return false;
  };
  if (inElement && nameEnd >= limit) return fail();
  const std::string_view name = text_.substr(nameStart, nameEnd - nameStart);
  pos = SkipSpace(text_, nameEnd, limit);
  std::size_t valueStart = pos;
  std::size_t valueEnd = pos;
  if (pos < limit && text_[pos] == '=') {
    pos = SkipSpace(text_, pos + 1, limit);
    valueStart = pos;
    if (pos < limit && (text_[pos] == '"' || text_[pos] == '\'')) {
      const char quote = text_[pos];
      valueStart = pos + 1;
      std::size_t at = valueStart;
      if (hasEscape_) {
        while (at < limit && text_[at] != quote) at += text_[at] == escape_ ? 2 : 1;
      } else {
        at = FindByte(text_, at, limit, quote);
      }
      if (at >= limit) {
        if (inElement) {
          // The name stays, without a value.
          builder_.AddAttribute(node, name, text_.substr(nameEnd, 0));
          return fail();
        }
        valueEnd = limit;
        pos = limit;
      } else {
        valueEnd = at;
        pos = at + 1;
      }
    } else {
      valueEnd = FindAny(text_, pos, limit, kUnquotedValueEnd);
      pos = valueEnd;
    }
  }
  if (node != kNone) {
    builder_.AddAttribute(node, name, CopyText(text_.substr(valueStart, valueEnd - valueStart)));
  }
  return true;
}

// The text from `pos` up to the next unescaped "<" or the end, resolved; `pos` moves past it.
template <class Builder>
std::string_view Parser<Builder>::TakeText(std::size_t& pos) {
  const std::size_t begin = pos;
  std::size_t at = pos;
  if (hasEscape_) {
    while (at < text_.size() && text_[at] != '<') at += text_[at] == escape_ ? 2 : 1;
  } else {
    at = std::min(FindChar(text_, at, '<'), text_.size());
  }
  pos = at < text_.size() ? at : text_.size();
  return CopyText(text_.substr(begin, pos - begin));
}

// `raw` trimmed, with escapes and entities resolved.
template <class Builder>
std::string_view Parser<Builder>::ResolveText(std::string_view raw) {
  if (options_.trim) raw = Trim(raw);
  const bool escapes = hasEscape_ && raw.find(escape_) != std::string_view::npos;
  if (!escapes && !(options_.entities && std::any_of(raw.begin(), raw.end(), entityStarts_))) {
    // Most texts hold neither escapes nor entities and are taken as they are.
    return raw;
  }
  std::string copied;
  if (escapes) {
    copied.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == escape_) {
        if (++i >= raw.size()) break;  // a lone escape at the end is dropped
      }
      copied += raw[i];
    }
  } else {
    copied.assign(raw);
  }
  if (options_.entities && std::any_of(copied.begin(), copied.end(), entityStarts_)) {
    resolved_ = DecodeXmlEntities(copied, options_.entityTable);
  } else {
    resolved_ = std::move(copied);
  }
  return resolved_;
}

template <class Builder>
StartResult Parser<Builder>::Fail(std::size_t position, XmlErrorCode code, std::string message) {
  options_.RecordError(position, code, std::move(message));
  return {Step::Error, position};
}

}  // namespace

std::optional<std::size_t> ParseElement(XmlNode& node, std::string_view text, XmlOptions& options) {
  node.Clear();
  node.kind = XmlKind::Element;
  XmlNodeBuilder builder;
  return Parser<XmlNodeBuilder>(text, options, builder)
      .Parse(&node, node.Parent(), node.Document());
}

std::optional<std::size_t> ParseDocument(XmlNode& document, std::string_view text,
                                         XmlOptions& options) {
  document.Clear();
  document.kind = XmlKind::Document;
  XmlNodeBuilder builder;
  // Linked before parsing so the prolog lands in the document ahead of the root.
  XmlNode* const root = builder.NewElement(&document);
  const std::optional<std::size_t> end =
      Parser<XmlNodeBuilder>(text, options, builder).Parse(root, &document, &document);
  if (end && !root->name.empty()) builder.Attach(&document, root);
  return end;
}

std::optional<std::size_t> ParseDocument(XmlFlatTree& tree, std::string_view text,
                                         XmlOptions& options) {
  XmlFlatTreeBuilder builder(tree, text);
  const XmlFlatTree::Id root = builder.NewElement(XmlFlatTree::kDocument);
  const std::optional<std::size_t> end =
      Parser<XmlFlatTreeBuilder>(text, options, builder)
          .Parse(root, XmlFlatTree::kDocument, XmlFlatTree::kDocument);
  if (end && !builder.NameEmpty(root)) builder.Attach(XmlFlatTree::kDocument, root);
  return end;
}

}  // namespace tagline::database
