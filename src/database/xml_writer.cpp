// SPDX-License-Identifier: Apache-2.0
// Writing a node tree back to text, without recursion so any depth the tree has can be written.
#include <vector>

#include "database/xml_node.h"

namespace tagline::database {

namespace {

class Writer {
 public:
  explicit Writer(const XmlOptions& options) : options_(options) {}

  std::string Write(const XmlNode& top) {
    Open(top, 0);
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      const XmlNode& node = *frame.node;
      const std::size_t depth = frame.depth;
      if (frame.next < node.ChildCount()) {
        const XmlNode& child = node.Child(frame.next++);
        if (node.kind == XmlKind::Document) {
          Open(child, depth);  // a document's children follow one another
        } else {
          Indent(depth + 1);
          Open(child, depth + 1);
        }
        continue;
      }
      if (node.kind == XmlKind::Element) {
        if (node.ChildCount() > 0) Indent(depth);
        out_ += Encoded(node.value);
        out_ += "</";
        out_ += node.name;
        out_ += '>';
      }
      frames_.pop_back();
    }
    return std::move(out_);
  }

 private:
  struct Frame {
    const XmlNode* node;
    std::size_t next;  // next child to write
    std::size_t depth;
  };

  // Writes what comes before a node's children; nodes with children to follow get a frame.
  void Open(const XmlNode& node, std::size_t depth) {
    switch (node.kind) {
      case XmlKind::Document:
        frames_.push_back({&node, 0, depth});
        return;
      case XmlKind::ProcessingInstruction:
        out_ += "<?";
        out_ += node.name;
        if (!node.attributes.empty()) out_ += ' ';
        for (std::size_t i = 0; i < node.attributes.size(); ++i) {
          if (i > 0) out_ += ' ';
          Attribute(node.attributes[i]);
        }
        out_ += "?>";
        return;
      case XmlKind::Comment:
        out_ += "<!--";
        out_ += node.value;
        out_ += "-->";
        return;
      case XmlKind::CharacterData:
        out_ += "<![CDATA[";
        out_ += node.value;
        out_ += "]]>";
        return;
      case XmlKind::Element:
        out_ += '<';
        out_ += node.name;
        for (const XmlAttribute& attribute : node.attributes) {
          out_ += ' ';
          Attribute(attribute);
        }
        if (node.ChildCount() == 0 && node.value.empty()) {
          out_ += "/>";
          return;
        }
        out_ += '>';
        frames_.push_back({&node, 0, depth});
        return;
    }
  }

  void Attribute(const XmlAttribute& attribute) {
    out_ += attribute.name;
    out_ += '=';
    out_ += options_.quote;
    out_ += Encoded(attribute.value);
    out_ += options_.quote;
  }

  void Indent(std::size_t depth) {
    if (!options_.trim) return;
    out_ += "\r\n";
    out_.append(depth, '\t');
  }

  std::string Encoded(std::string_view text) const {
    return options_.entities ? EncodeXmlEntities(text, options_.entityTable) : std::string(text);
  }

  const XmlOptions& options_;
  std::vector<Frame> frames_;
  std::string out_;
};

}  // namespace

std::string WriteNode(const XmlNode& node, const XmlOptions& options) {
  return Writer(options).Write(node);
}

}  // namespace tagline::database
