// SPDX-License-Identifier: Apache-2.0
#include "cli/json_output.h"

#include "platform/windows_1252.h"

namespace tagline::cli {

namespace {

void AppendEscape(std::string& out, char32_t codePoint) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(codePoint >> shift) & 0xF];
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      AppendEscape(out, byte);
    } else if (byte >= 0x80) {
      AppendEscape(out, platform::Windows1252ToCodePoint(byte));
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& values) {
  std::string out = "[";
  for (const std::string& value : values) out += (out.size() > 1 ? "," : "") + value;
  return out + "]";
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) {
  return Raw(key, JsonString(value));
}

JsonObject& JsonObject::Number(std::string_view key, long long value) {
  return Raw(key, std::to_string(value));
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
  return Raw(key, value ? "true" : "false");
}

JsonObject& JsonObject::Raw(std::string_view key, std::string json) {
  for (auto& field : fields_) {
    if (field.first == key) {
      field.second = std::move(json);
      return *this;
    }
  }
  fields_.emplace_back(std::string(key), std::move(json));
  return *this;
}

JsonObject& JsonObject::Merge(const JsonObject& other) {
  for (const auto& [key, value] : other.fields_) Raw(key, value);
  return *this;
}

bool JsonObject::Has(std::string_view key) const {
  for (const auto& field : fields_) {
    if (field.first == key) return true;
  }
  return false;
}

std::string JsonObject::Dump() const {
  std::string out = "{";
  for (const auto& [key, value] : fields_) {
    if (out.size() > 1) out += ',';
    out += JsonString(key) + ":" + value;
  }
  return out + "}";
}

}  // namespace tagline::cli
