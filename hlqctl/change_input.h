// What set and apply are given: KEY=VALUE operands, or one JSON object of
// key to value (the shape show --json prints), as requests to the page model.
#pragma once

#include <string>
#include <vector>

#include "model/page_values.h"
#include "model/value_changes.h"

// False with `err` for the user when an operand is not KEY=VALUE, names
// no key, or names a key twice.
bool HLQCtl_RequestsOfOperands(const std::vector<std::string>& operands,
                               std::vector<HLQValueRequest>* requests, std::string* err);

// The requests of a JSON document. A key whose value is null is left out, as
// show --json prints null for a value it could not read. False with
// `err` when the document is not one JSON object, names no key, or
// names a key twice.
bool HLQCtl_RequestsOfJson(const std::string& document, std::vector<HLQValueRequest>* requests,
                           std::string* err);

// The whole of a file, or of standard input for "-". False with `err`.
bool HLQCtl_ReadInput(const std::string& name, std::string* contents, std::string* err);
