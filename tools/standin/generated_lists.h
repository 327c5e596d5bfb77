#pragma once
// Server lists of any length, for measuring the client with lists the size of
// a busy service's: each of the three lists gets the same number of rows,
// grouped in blocks by province as the service sends them, with some faulty
// (status 1) and some gone (status -1) rows among them; static rows carry an ip.
#include <nlohmann/json.hpp>

namespace xl::standin {

// The "lists" member of a data file: the three list paths, `rows` rows each.
nlohmann::ordered_json GeneratedLists(int rows);

}  // namespace xl::standin
