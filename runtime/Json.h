#pragma once

// JSON values.  TOrderedJSON keeps the members of an object in insertion order, for documents
// whose member order the reader sees (messages to the browser, grid models).

#include <nlohmann/json.hpp>

using TJSON = nlohmann::json;
using TOrderedJSON = nlohmann::ordered_json;
