#pragma once
// Paths such as 'data[3].province' that address a value inside a JSON document: member names
// separated by dots, each with optional 0-based array indexes. Internal to the JSON document.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "api/json_text.h"

namespace xl::api::json_detail {

// A member name (UTF-8) or an index.
using PathStep = std::variant<std::string, std::size_t>;
using Path = std::vector<PathStep>;

// The three ways a path may be written: a member path begins with a name and may not be empty; a
// member-or-index path may also begin with an index; an optional path may be empty (the root).
enum class PathForm { kMember, kMemberOrIndex, kOptional };

// Parses a GBK path; nullopt when it is malformed or not allowed in that form. Names are
// identifiers (ASCII letters, digits, '_', '$' and non-ASCII characters, not starting with a
// digit).
std::optional<Path> ParsePath(std::string_view gbkPath, PathForm form);

// The value a path reaches, or null when it does not reach one.
const Json* Resolve(const Json& root, const Path& path);
Json* Resolve(Json& root, const Path& path);

// What an assignment does to the value reached by the steps before the last: the slot the last
// step names (created when the parent is an object, or an array reached with an index up to a
// little beyond its end), or null when no value can be stored there.
Json* SlotFor(Json& root, const Path& path);

// Takes the member the path reaches out of its object; an array element becomes null.
// False when there is nothing to take.
bool Remove(Json& root, const Path& path);

}  // namespace xl::api::json_detail
