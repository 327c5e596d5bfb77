#pragma once
// A JSON value read and changed by path ('code', 'data[0].province', '[0].name'), as the service's
// replies are read. Texts come in and go out as GBK; the value is held as UTF-8 JSON. No operation
// reports an error: a failed one changes nothing and yields 0, false, an empty text, an empty
// list or an empty document; callers see failure only in Parse's result and in empty values.
//
// Copies are handles to the same value: a change through one is seen through the other, until
// Initialise or Parse gives a handle a value of its own.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// <windows.h> maps GetObject to a GDI function; the document's operation keeps its own name.
#pragma push_macro("GetObject")
#undef GetObject

namespace xl::api {

// Kind codes of TypeOf and Reset.
constexpr int kJsonMissing = 0, kJsonNumber = 2, kJsonObject = 4, kJsonArray = 5, kJsonString = 6;

class JsonDocument {
  public:
    JsonDocument();  // an empty object

    // A fresh value of this handle's own: an empty object.
    bool Initialise();
    // True when the text is JSON giving a non-null value. Replaces this handle's value either way:
    // after a failure the root is null (undefined for an empty text).
    bool Parse(std::string_view text);
    // Compact JSON of the root; empty when the root is undefined.
    std::string ToText() const;
    void Clear();

    // Paths of the setters and of GetNumber..GetInt64 and Exists begin with a member name.
    void SetValue(std::string_view path, std::string_view value, bool asJson);
    void SetText(std::string_view path, std::string_view text);
    void SetJson(std::string_view path, std::string_view json);
    void SetNumber(std::string_view path, double value);
    void SetInt(std::string_view path, std::int32_t value);
    void SetBool(std::string_view path, bool value);  // stores the text "真" or "假"
    void SetInt64(std::string_view path, std::int64_t value);
    double GetNumber(std::string_view path) const;
    std::int32_t GetInt(std::string_view path) const;
    bool GetBool(std::string_view path) const;
    std::int64_t GetInt64(std::string_view path) const;

    // These paths may also begin with an index: '[0].name'. GetText gives a string as it is, a
    // number as JavaScript writes it, true and false as "真" and "假", an object or array as
    // JSON, and empty text for null or a missing value; with asJson, the value's JSON text.
    std::string GetText(std::string_view path, bool asJson = false) const;
    JsonDocument GetObject(std::string_view path) const;
    std::string GetJsonText(std::string_view path) const;

    // An empty path here means the root. GetCount is below 1 for a missing value or null.
    int GetCount(std::string_view path = {}) const;
    void AppendToArray(std::string_view value, std::string_view path, bool asJson);
    JsonDocument GetItemObject(int index, std::string_view path) const;
    std::string GetItemText(int index, std::string_view path, bool asJson) const;

    void SetRootItem(int index, std::string_view value, bool asJson);
    void RemoveRootItem(int index);
    void Reset(int kind);
    bool SetRoot(std::string_view value, bool asJson);
    bool Exists(std::string_view path) const;
    void GetKeys(std::vector<std::string>& keys, std::string_view path = {}) const;
    int TypeOf(std::string_view path = {}) const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace xl::api

#pragma pop_macro("GetObject")
