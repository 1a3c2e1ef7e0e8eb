// SPDX-License-Identifier: Apache-2.0
// Results as JSON for scripts: one object a line. Texts are the program's Windows-1252
// bytes, written as pure-ASCII JSON (\uXXXX beyond ASCII).
#pragma once

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tagline::cli {

// A JSON string literal of a Windows-1252 text.
std::string JsonString(std::string_view text);
// A JSON array of values already in JSON.
std::string JsonArray(const std::vector<std::string>& values);
// A JSON array of texts.
template <class Texts>
std::string JsonStringArray(const Texts& texts) {
  std::vector<std::string> values;
  values.reserve(std::size(texts));
  for (const auto& text : texts) values.push_back(JsonString(text));
  return JsonArray(values);
}

// The fields of one object, in the order they were added.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view value);
  JsonObject& Number(std::string_view key, long long value);
  JsonObject& Bool(std::string_view key, bool value);
  JsonObject& Raw(std::string_view key, std::string json);
  bool Has(std::string_view key) const;
  // Adds (or replaces) the fields of `other`.
  JsonObject& Merge(const JsonObject& other);
  std::string Dump() const;

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// The objects a command gives, printed when it ends.
class JsonRecords {
 public:
  void Add(JsonObject object) { objects_.push_back(std::move(object)); }
  bool Empty() const { return objects_.empty(); }
  const std::vector<JsonObject>& objects() const { return objects_; }

 private:
  std::vector<JsonObject> objects_;
};

}  // namespace tagline::cli
