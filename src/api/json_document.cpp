#include "api/json_document.h"

#include <cmath>
#include <limits>
#include <optional>

#include "api/json_path.h"
#include "api/json_text.h"

namespace xl::api {

using json_detail::Json;
using json_detail::Path;
using json_detail::PathForm;
using json_detail::ToGbk;
using json_detail::ToUtf8;

// The root, or nothing when it is undefined (after an empty Parse, or in a document made from a
// missing value).
struct JsonDocument::State {
    std::optional<Json> root = Json::object();
};

namespace {

// The program's own words for a boolean, as SetBool stores them and GetText gives them back.
constexpr const char* kTrueText = "真";
constexpr const char* kFalseText = "假";

// A value given as text: a string, or JSON when asked (an empty text is an empty object).
std::optional<Json> ValueFrom(std::string_view text, bool asJson) {
    if (!asJson) return Json(ToUtf8(text));
    if (text.empty()) return Json::object();
    return json_detail::ParseStrict(ToUtf8(text));
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

double NumberOf(const Json* v) {
    if (v == nullptr) return 0;
    if (v->is_number()) return v->get<double>();
    if (v->is_boolean()) return v->get<bool>() ? 1 : 0;
    if (v->is_string())
        return json_detail::DecimalStringValue(v->get_ref<const std::string&>()).value_or(0);
    return 0;
}

bool Truthy(const Json* v) {
    if (v == nullptr || v->is_null()) return false;
    if (v->is_boolean()) return v->get<bool>();
    if (v->is_number()) return v->get<double>() != 0;
    if (v->is_string()) return !v->get_ref<const std::string&>().empty();
    return true;
}

template <typename Int>
Int Truncate(double d) {
    if (std::isnan(d)) return 0;
    d = std::trunc(d);
    if (d <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (d >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(d);
}

std::string TextOf(const Json* v, bool asJson) {
    if (v == nullptr) return {};
    if (asJson) return ToGbk(json_detail::Stringify(*v));
    if (v->is_null()) return {};
    if (v->is_string()) return ToGbk(v->get_ref<const std::string&>());
    if (v->is_number_float()) return json_detail::FormatJsNumber(v->get<double>());
    if (v->is_boolean()) return v->get<bool>() ? kTrueText : kFalseText;
    return ToGbk(json_detail::Stringify(*v));  // integers, objects and arrays
}

int KindOf(const Json* v) {
    if (v == nullptr || v->is_null()) return kJsonMissing;
    if (v->is_string()) return kJsonString;
    if (v->is_number()) return kJsonNumber;
    if (v->is_array()) return kJsonArray;
    return kJsonObject;
}

}  // namespace

JsonDocument::JsonDocument() {
    Initialise();
}

bool JsonDocument::Initialise() {
    state_ = std::make_shared<State>();
    return true;
}

bool JsonDocument::Parse(std::string_view text) {
    state_ = std::make_shared<State>();
    if (IsBlank(text)) {
        state_->root.reset();
        return false;
    }
    std::optional<Json> value = json_detail::ParseStrict(ToUtf8(text));
    state_->root = value ? std::move(*value) : Json(nullptr);
    return !state_->root->is_null();
}

std::string JsonDocument::ToText() const {
    return state_->root ? ToGbk(json_detail::Stringify(*state_->root)) : std::string();
}

void JsonDocument::Clear() {
    state_->root = Json::object();
}

namespace {

// The value a path reaches in a root that may be undefined.
const Json* Read(const std::optional<Json>& root, std::string_view path, PathForm form) {
    std::optional<Path> parsed = json_detail::ParsePath(path, form);
    if (!root || !parsed) return nullptr;
    return json_detail::Resolve(*root, *parsed);
}

void Store(std::optional<Json>& root, std::string_view path, std::optional<Json> value) {
    std::optional<Path> parsed = json_detail::ParsePath(path, PathForm::kMember);
    if (!root || !parsed || !value) return;
    if (Json* slot = json_detail::SlotFor(*root, *parsed)) *slot = std::move(*value);
}

}  // namespace

void JsonDocument::SetValue(std::string_view path, std::string_view value, bool asJson) {
    Store(state_->root, path, ValueFrom(value, asJson));
}

// The text is stored as it is, apostrophes included.
void JsonDocument::SetText(std::string_view path, std::string_view text) {
    Store(state_->root, path, Json(ToUtf8(text)));
}

void JsonDocument::SetJson(std::string_view path, std::string_view json) {
    if (!json.empty()) {
        Store(state_->root, path, json_detail::ParseStrict(ToUtf8(json)));
        return;
    }
    std::optional<Path> parsed = json_detail::ParsePath(path, PathForm::kMember);
    if (state_->root && parsed) json_detail::Remove(*state_->root, *parsed);
}

void JsonDocument::SetNumber(std::string_view path, double value) {
    if (std::isfinite(value)) Store(state_->root, path, Json(value));
}

void JsonDocument::SetInt(std::string_view path, std::int32_t value) {
    Store(state_->root, path, Json(value));
}

void JsonDocument::SetBool(std::string_view path, bool value) {
    SetText(path, value ? kTrueText : kFalseText);
}

void JsonDocument::SetInt64(std::string_view path, std::int64_t value) {
    Store(state_->root, path, Json(value));
}

double JsonDocument::GetNumber(std::string_view path) const {
    return NumberOf(Read(state_->root, path, PathForm::kMember));
}

std::int32_t JsonDocument::GetInt(std::string_view path) const {
    return Truncate<std::int32_t>(GetNumber(path));
}

bool JsonDocument::GetBool(std::string_view path) const {
    return Truthy(Read(state_->root, path, PathForm::kMember));
}

std::int64_t JsonDocument::GetInt64(std::string_view path) const {
    const Json* v = Read(state_->root, path, PathForm::kMember);
    if (v != nullptr && v->is_number_integer() && !v->is_number_unsigned())
        return v->get<std::int64_t>();
    return Truncate<std::int64_t>(NumberOf(v));
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) const {
    return TextOf(Read(state_->root, path, PathForm::kMemberOrIndex), asJson);
}

JsonDocument JsonDocument::GetObject(std::string_view path) const {
    JsonDocument doc;
    const Json* v = Read(state_->root, path, PathForm::kMemberOrIndex);
    doc.state_->root = v != nullptr ? std::optional<Json>(*v) : std::nullopt;
    return doc;
}

std::string JsonDocument::GetJsonText(std::string_view path) const {
    return GetText(path, true);
}

int JsonDocument::GetCount(std::string_view path) const {
    const Json* v = Read(state_->root, path, PathForm::kOptional);
    if (v == nullptr || v->is_null()) return -1;
    if (v->is_object() || v->is_array()) {
        return v->size() > static_cast<std::size_t>(std::numeric_limits<int>::max())
                   ? std::numeric_limits<int>::max()
                   : static_cast<int>(v->size());
    }
    return 0;
}

void JsonDocument::AppendToArray(std::string_view value, std::string_view path, bool asJson) {
    std::optional<Json> item = ValueFrom(value, asJson);
    std::optional<Path> parsed = json_detail::ParsePath(path, PathForm::kOptional);
    if (!item || !parsed) return;
    std::optional<Json>& root = state_->root;
    if (!root) {
        if (!parsed->empty()) return;
        root = Json::array();
    }
    Json* slot = json_detail::SlotFor(*root, *parsed);
    if (slot == nullptr) return;
    if (!slot->is_array()) *slot = Json::array();
    slot->push_back(std::move(*item));
}

namespace {

const Json* ReadItem(const std::optional<Json>& root, int index, std::string_view path) {
    std::optional<Path> parsed = json_detail::ParsePath(path, PathForm::kOptional);
    if (!root || !parsed || index < 0) return nullptr;
    parsed->emplace_back(static_cast<std::size_t>(index));
    return json_detail::Resolve(*root, *parsed);
}

}  // namespace

JsonDocument JsonDocument::GetItemObject(int index, std::string_view path) const {
    JsonDocument doc;
    const Json* v = ReadItem(state_->root, index, path);
    doc.state_->root = v != nullptr ? std::optional<Json>(*v) : std::nullopt;
    return doc;
}

std::string JsonDocument::GetItemText(int index, std::string_view path, bool asJson) const {
    return TextOf(ReadItem(state_->root, index, path), asJson);
}

void JsonDocument::SetRootItem(int index, std::string_view value, bool asJson) {
    std::optional<Json> item = ValueFrom(value, asJson);
    if (!state_->root || !item || index < 0) return;
    Path path{static_cast<std::size_t>(index)};
    if (Json* slot = json_detail::SlotFor(*state_->root, path)) *slot = std::move(*item);
}

void JsonDocument::RemoveRootItem(int index) {
    std::optional<Json>& root = state_->root;
    if (!root || !root->is_array() || index < 0 || static_cast<std::size_t>(index) >= root->size())
        return;
    root->erase(static_cast<std::size_t>(index));
}

void JsonDocument::Reset(int kind) {
    if (kind == kJsonMissing || kind == kJsonObject) state_->root = Json::object();
    if (kind == kJsonArray) state_->root = Json::array();
}

bool JsonDocument::SetRoot(std::string_view value, bool asJson) {
    std::optional<Json> v = ValueFrom(value, asJson);
    if (!v) return false;
    state_->root = std::move(*v);
    return Truthy(&*state_->root);
}

bool JsonDocument::Exists(std::string_view path) const {
    const Json* v = Read(state_->root, path, PathForm::kMember);
    return v != nullptr && !v->is_null();
}

void JsonDocument::GetKeys(std::vector<std::string>& keys, std::string_view path) const {
    keys.clear();
    const Json* v = Read(state_->root, path, PathForm::kOptional);
    if (v == nullptr) return;
    if (v->is_object()) {
        for (const auto& [key, member] : v->items()) keys.push_back(ToGbk(key));
    } else if (v->is_array()) {
        for (std::size_t i = 0; i < v->size(); ++i) keys.push_back(std::to_string(i));
    }
}

int JsonDocument::TypeOf(std::string_view path) const {
    return KindOf(Read(state_->root, path, PathForm::kOptional));
}

}  // namespace xl::api
