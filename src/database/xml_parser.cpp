// The XML parser. Nesting is handled with an explicit stack of open elements and a depth
// limit, and every look at the text is bounded by its size, so neither deep nor cut-off input
// can run past the stack or the buffer.
#include <cctype>
#include <memory>
#include <utility>

#include "database/xml_node.h"

namespace tagline::database {

namespace {

constexpr std::string_view kSpace = " \t\r\n";
constexpr std::string_view kElementNameEnd = " />\t\r\n";
constexpr std::string_view kElementAttributeNameEnd = " =\t\r\n>/";
constexpr std::string_view kInstructionAttributeNameEnd = " =\t\r\n";
constexpr std::string_view kUnquotedValueEnd = " \t\r\n>";
constexpr std::string_view kInstructionTargetEnd = " ?>\t\r\n";
constexpr std::string_view kEndTagNameEnd = " >\t\r\n";

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
  if (pos > text.size() || text.size() - pos < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[pos + i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

// First position in [pos, limit) holding one of `set`, or `limit`.
std::size_t FindAny(std::string_view text, std::size_t pos, std::size_t limit,
                    std::string_view set) {
  while (pos < limit && set.find(text[pos]) == std::string_view::npos) ++pos;
  return pos;
}

std::size_t SkipSpace(std::string_view text, std::size_t pos, std::size_t limit) {
  while (pos < limit && kSpace.find(text[pos]) != std::string_view::npos) ++pos;
  return pos;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kSpace);
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

class XmlParser {
 public:
  XmlParser(std::string_view text, XmlOptions& options) : text_(text), options_(options) {}

  std::optional<std::size_t> Parse(XmlNode& top);
  std::optional<std::size_t> ParseDocument(XmlNode& document);

 private:
  StartResult Start(XmlNode& node, std::size_t pos);
  std::size_t ProcessingInstruction(std::size_t pos, XmlNode* document);
  bool ReadAttribute(XmlNode& node, std::size_t& pos, std::size_t limit, bool inElement);
  std::string TakeText(std::size_t& pos);
  std::string CopyText(std::string_view raw) const;
  StartResult Fail(std::size_t position, XmlErrorCode code, std::string message);

  std::string_view text_;
  XmlOptions& options_;
};

std::optional<std::size_t> XmlParser::Parse(XmlNode& top) {
  top.Clear();
  top.kind = XmlKind::Element;
  const StartResult first = Start(top, 0);
  if (first.step == Step::Error || first.step == Step::NoElement) return std::nullopt;
  if (first.step == Step::Done) return first.position;

  std::vector<XmlNode*> open{&top};
  std::size_t pos = first.position;
  // Set after a child completed: the enclosing element then looks for its end tag or text.
  bool afterChild = false;

  auto closeInnermost = [&open, &afterChild] {
    XmlNode* closed = open.back();
    open.pop_back();
    // A nameless element is parsed like any other but not kept; it is its parent's last child.
    if (closed->name.empty() && !open.empty()) open.back()->children_.pop_back();
    afterChild = true;
  };

  while (!open.empty()) {
    XmlNode& current = *open.back();
    if (afterChild) {
      afterChild = false;
      if (text_.substr(pos).starts_with("</")) {
        const std::size_t nameStart = pos + 2;
        const std::size_t nameEnd = FindAny(text_, nameStart, text_.size(), kEndTagNameEnd);
        const std::size_t close = text_.find('>', nameEnd);
        if (nameEnd >= text_.size() || close == std::string_view::npos) {
          Fail(pos, XmlErrorCode::EndTagNotClosed,
               "it must be closed with </" + current.name + ">");
          return std::nullopt;
        }
        const std::string_view endName = text_.substr(nameStart, nameEnd - nameStart);
        if (endName == current.name) {
          pos = close + 1;
          closeInnermost();
          continue;
        }
        if (!options_.tolerateMismatchedEndTag) {
          Fail(pos, XmlErrorCode::NotWellFormed,
               "'<" + current.name + "> ... </" + std::string(endName) + ">' is not wel-formed.");
          return std::nullopt;
        }
        pos = close + 1;
      } else if (current.value.empty() && pos < text_.size() && text_[pos] != '<') {
        current.value = TakeText(pos);
      }
      continue;
    }

    // An element that runs to the end of the text is accepted as it stands.
    if (pos >= text_.size()) {
      closeInnermost();
      continue;
    }

    auto child = std::make_unique<XmlNode>();
    child->parent_ = &current;
    child->document_ = current.document_;
    XmlNode& added = *child;
    const StartResult result = Start(added, pos);
    switch (result.step) {
      case Step::Error:
        return std::nullopt;
      case Step::NoElement:
        pos = text_.size();
        break;
      case Step::Open:
        if (open.size() >= options_.maxDepth) {
          Fail(pos, XmlErrorCode::NestingTooDeep, "<" + added.name + "> is nested too deeply.");
          return std::nullopt;
        }
        current.children_.push_back(std::move(child));
        open.push_back(&added);
        pos = result.position;
        break;
      case Step::Done:
        if (!added.name.empty()) current.children_.push_back(std::move(child));
        pos = result.position;
        afterChild = true;
        break;
    }
  }
  return pos;
}

std::optional<std::size_t> XmlParser::ParseDocument(XmlNode& document) {
  document.Clear();
  document.kind = XmlKind::Document;
  // Linked before parsing so the prolog lands in the document ahead of the root.
  auto root = std::make_unique<XmlNode>();
  root->parent_ = &document;
  root->document_ = &document;
  const std::optional<std::size_t> end = Parse(*root);
  if (end && !root->name.empty()) document.children_.push_back(std::move(root));
  return end;
}

StartResult XmlParser::Start(XmlNode& node, std::size_t pos) {
  XmlNode* const parent = node.parent_;
  XmlNode* const document = node.document_;
  for (;;) {
    pos = text_.find('<', pos);
    if (pos == std::string_view::npos) return {Step::NoElement, text_.size()};
    if (pos + 1 < text_.size() && text_[pos + 1] == '/') return {Step::Done, pos};
    if (StartsWithNoCase(text_, pos, "<?")) {
      pos = ProcessingInstruction(pos, document);
      continue;
    }
    const bool comment = StartsWithNoCase(text_, pos, "<!--");
    if (comment || StartsWithNoCase(text_, pos, "<![CDATA[")) {
      const std::string_view opener = comment ? "<!--" : "<![CDATA[";
      const std::string_view closer = comment ? "-->" : "]]>";
      const std::size_t begin = pos + opener.size();
      const std::size_t end = text_.find(closer, begin);
      const std::size_t contentEnd = end == std::string_view::npos ? text_.size() : end;
      pos = end == std::string_view::npos ? text_.size() : end + closer.size();
      XmlNode* const holder = parent != nullptr ? parent : document;
      if (holder != nullptr) {
        holder->AppendChild(comment ? XmlKind::Comment : XmlKind::CharacterData,
                            std::string(comment ? kXmlCommentName : kXmlCharacterDataName),
                            std::string(text_.substr(begin, contentEnd - begin)));
        // The block was the parent's next child: this node ends here.
        if (parent != nullptr && parent != document) return {Step::Done, pos};
      }
      continue;
    }
    break;
  }

  node.kind = XmlKind::Element;
  const std::size_t nameEnd = FindAny(text_, pos + 1, text_.size(), kElementNameEnd);
  node.name = std::string(text_.substr(pos + 1, nameEnd - pos - 1));
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
  if (node.value.empty()) node.value = TakeText(pos);
  return {Step::Open, pos};
}

// Reads "<?target attributes?>" and stores it in the document, if there is one. Returns the
// position after it; an unterminated instruction runs to the end of the text.
std::size_t XmlParser::ProcessingInstruction(std::size_t pos, XmlNode* document) {
  const std::size_t begin = pos + 2;
  const std::size_t close = text_.find("?>", begin);
  const std::size_t limit = close == std::string_view::npos ? text_.size() : close;
  const std::size_t next = close == std::string_view::npos ? text_.size() : close + 2;
  const std::size_t targetEnd = FindAny(text_, begin, limit, kInstructionTargetEnd);
  XmlNode instruction(XmlKind::ProcessingInstruction,
                      std::string(text_.substr(begin, targetEnd - begin)));
  std::size_t at = targetEnd;
  for (;;) {
    at = SkipSpace(text_, at, limit);
    if (at >= limit) break;
    ReadAttribute(instruction, at, limit, false);
  }
  if (document != nullptr) {
    XmlNode& stored =
        document->AppendChild(XmlKind::ProcessingInstruction, std::move(instruction.name));
    stored.attributes = std::move(instruction.attributes);
  }
  return next;
}

// Reads one attribute at `pos` (not white space, not the tag end) within [pos, limit).
// In an element, a name or quoted value cut off by the end of the text is an error; in a
// processing instruction it simply ends there.
bool XmlParser::ReadAttribute(XmlNode& node, std::size_t& pos, std::size_t limit, bool inElement) {
  const std::size_t nameStart = pos;
  const std::size_t nameEnd = FindAny(
      text_, pos, limit, inElement ? kElementAttributeNameEnd : kInstructionAttributeNameEnd);
  if (inElement && nameEnd >= limit) {
    Fail(nameStart, XmlErrorCode::AttributeError, "<" + node.name + "> attribute has error ");
    return false;
  }
  node.attributes.push_back({std::string(text_.substr(nameStart, nameEnd - nameStart)), {}});
  pos = SkipSpace(text_, nameEnd, limit);
  if (pos >= limit || text_[pos] != '=') return true;
  pos = SkipSpace(text_, pos + 1, limit);
  std::size_t valueStart = pos;
  std::size_t valueEnd = pos;
  if (pos < limit && (text_[pos] == '"' || text_[pos] == '\'')) {
    const char quote = text_[pos];
    valueStart = pos + 1;
    std::size_t at = valueStart;
    while (at < limit && text_[at] != quote) at += (options_.escape == text_[at]) ? 2 : 1;
    if (at >= limit) {
      if (inElement) {
        Fail(nameStart, XmlErrorCode::AttributeError, "<" + node.name + "> attribute has error ");
        return false;
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
  node.attributes.back().value = CopyText(text_.substr(valueStart, valueEnd - valueStart));
  return true;
}

// The text from `pos` up to the next unescaped "<" or the end, copied; `pos` moves past it.
std::string XmlParser::TakeText(std::size_t& pos) {
  const std::size_t begin = pos;
  std::size_t at = pos;
  while (at < text_.size() && text_[at] != '<') at += (options_.escape == text_[at]) ? 2 : 1;
  pos = at < text_.size() ? at : text_.size();
  return CopyText(text_.substr(begin, pos - begin));
}

std::string XmlParser::CopyText(std::string_view raw) const {
  if (options_.trim) raw = Trim(raw);
  std::string copied;
  copied.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (options_.escape == raw[i]) {
      if (++i >= raw.size()) break;  // a lone escape at the end is dropped
    }
    copied += raw[i];
  }
  if (options_.entities) return DecodeXmlEntities(copied, options_.entityTable);
  return copied;
}

StartResult XmlParser::Fail(std::size_t position, XmlErrorCode code, std::string message) {
  options_.RecordError(position, code, std::move(message));
  return {Step::Error, position};
}

std::optional<std::size_t> ParseElement(XmlNode& node, std::string_view text, XmlOptions& options) {
  return XmlParser(text, options).Parse(node);
}

std::optional<std::size_t> ParseDocument(XmlNode& document, std::string_view text,
                                         XmlOptions& options) {
  return XmlParser(text, options).ParseDocument(document);
}

}  // namespace tagline::database
