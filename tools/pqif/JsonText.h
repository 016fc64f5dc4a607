#pragma once
#include <string>
#include <utility>
#include <vector>

// JSON text for pqif's --json output: quoted strings, and the one object a
// command prints when it fails, so that scripts read failures like results.
std::string JsonString(const std::string& text);

// {"command":...,<fields>,"error":...,"exitCode":...} and a line end; fields
// are name and already formatted JSON value.
std::string JsonFailure(const std::string& command,
                        const std::vector<std::pair<std::string, std::string>>& fields,
                        const std::string& message, int exitCode);
